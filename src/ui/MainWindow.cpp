#include "MainWindow.h"

namespace ombrel {

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("Ombrel"));
    setMinimumSize(900, 600);
    resize(1400, 900);
}

}  // namespace ombrel
