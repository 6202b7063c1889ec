#include "library/AppModel.h"
#include "ui/KeyFilter.h"
#include "ui/MainWindow.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>

#include <filesystem>
#include <vector>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ombrel"));
    QApplication::setOrganizationName(QStringLiteral("Ombrel"));
    QApplication::setApplicationVersion(QStringLiteral(OMBREL_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("ombrel"));
    ombrel::theme::apply(app);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A non-destructive photo editor."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("PATH"), QStringLiteral("Folders or photos to open."),
                                 QStringLiteral("[PATH...]"));
    parser.process(app);

    ombrel::AppModel model(ombrel::ModelServices::standard());
    ombrel::MainWindow window(model);
    app.installEventFilter(new ombrel::KeyFilter(model, &app));
    window.show();

    std::vector<std::filesystem::path> paths;
    for (const QString& arg : parser.positionalArguments())
        paths.emplace_back(QFile::encodeName(arg).toStdString());
    if (!paths.empty()) window.openLocations(paths);
    return QApplication::exec();
}
