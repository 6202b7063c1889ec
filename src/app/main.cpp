#include "InteractionBenchmark.h"

#include "library/AppModel.h"
#include "render/HugePages.h"
#include "ui/KeyFilter.h"
#include "ui/MainWindow.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QIcon>

#include <filesystem>
#include <vector>

int main(int argc, char* argv[]) {
    ombrel::HugePages::restartWithThem(argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ombrel"));
    QApplication::setOrganizationName(QStringLiteral("Ombrel"));
    QApplication::setApplicationVersion(QStringLiteral(OMBREL_VERSION));
    // The installed launcher's name, so that docks and Wayland match the window to it.
    QApplication::setDesktopFileName(QStringLiteral("org.ombrel.Ombrel"));
    ombrel::theme::apply(app);
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.ombrel.Ombrel")));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A non-destructive photo editor."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("PATH"), QStringLiteral("Folders or photos to open."),
                                 QStringLiteral("[PATH...]"));
    QCommandLineOption benchmark(QStringLiteral("benchmark-interaction"),
                                 QStringLiteral("Time interactions on FILE's folder, print them and quit."),
                                 QStringLiteral("FILE"));
    QCommandLineOption benchmarkJpeg(QStringLiteral("benchmark-jpeg"),
                                     QStringLiteral("With --benchmark-interaction: a JPEG among others like it."),
                                     QStringLiteral("FILE"));
    QCommandLineOption benchmarkMany(QStringLiteral("benchmark-folder"),
                                     QStringLiteral("With --benchmark-interaction: a folder of many photos."),
                                     QStringLiteral("FOLDER"));
    parser.addOptions({benchmark, benchmarkJpeg, benchmarkMany});
    parser.process(app);

    ombrel::AppModel model(ombrel::ModelServices::standard());
    ombrel::MainWindow window(model);
    app.installEventFilter(new ombrel::KeyFilter(model, &app));
    window.show();

    auto path = [](const QString& arg) { return std::filesystem::path(QFile::encodeName(arg).toStdString()); };
    if (parser.isSet(benchmark)) {
        ombrel::InteractionBenchmarkFiles files{path(parser.value(benchmark)), std::nullopt, std::nullopt};
        if (parser.isSet(benchmarkJpeg)) files.jpeg = path(parser.value(benchmarkJpeg));
        if (parser.isSet(benchmarkMany)) files.many = path(parser.value(benchmarkMany));
        return ombrel::runInteractionBenchmark(window, model, files);
    }

    std::vector<std::filesystem::path> paths;
    for (const QString& arg : parser.positionalArguments())
        paths.push_back(path(arg));
    if (!paths.empty()) window.openLocations(paths);
    return QApplication::exec();
}
