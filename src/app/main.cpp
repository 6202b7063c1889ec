#include "ui/MainWindow.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ombrel"));
    QApplication::setApplicationVersion(QStringLiteral(OMBREL_VERSION));

    ombrel::MainWindow window;
    window.show();
    return QApplication::exec();
}
