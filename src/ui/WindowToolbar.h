#pragma once

#include <QToolBar>

class QAction;
class QLabel;
class QToolButton;

namespace ombrel {

class AppModel;

// The window's toolbar: Open Folder on the left; on the right the status
// line, the Before / After and Clipping switches, the zoom and Export.
class WindowToolbar : public QToolBar {
    Q_OBJECT
public:
    explicit WindowToolbar(AppModel& model, QWidget* parent = nullptr);

    QToolButton* beforeAfterButton() const { return beforeAfter_; }
    QToolButton* clippingButton() const { return clipping_; }
    QToolButton* exportButton() const { return export_; }
    QLabel* statusLabel() const { return status_; }
    QLabel* zoomLabel() const { return zoom_; }

signals:
    void openFolderRequested();

private:
    void sync();

    AppModel& model_;
    QLabel* status_ = nullptr;
    QToolButton* beforeAfter_ = nullptr;
    QToolButton* clipping_ = nullptr;
    QLabel* zoom_ = nullptr;
    QToolButton* export_ = nullptr;
};

}  // namespace ombrel
