#pragma once

#include <QMainWindow>

namespace ombrel {

// The application's one window.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
};

}  // namespace ombrel
