#pragma once

#include <QWidget>

class QLabel;
class QStackedLayout;

namespace ombrel {

class AppModel;
class Badge;
class BusyIndicator;
class CropOverlay;
class PreviewView;

// The left, upper part of the window: a start screen until photos are open,
// then the preview inset 8 points with, above it, the crop overlay while the
// crop is edited, a busy indicator while the photo decodes, and the badges.
class PreviewArea : public QWidget {
    Q_OBJECT
public:
    explicit PreviewArea(AppModel& model, QWidget* parent = nullptr);

    PreviewView* preview() const { return preview_; }
    CropOverlay* cropOverlay() const { return cropOverlay_; }

signals:
    void openFolderRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* makeStartScreen();
    void syncLayers();
    void placeLayers();

    AppModel& model_;
    QStackedLayout* pages_ = nullptr;
    QWidget* startScreen_ = nullptr;
    QWidget* editor_ = nullptr;
    PreviewView* preview_ = nullptr;
    CropOverlay* cropOverlay_ = nullptr;
    BusyIndicator* busy_ = nullptr;
    Badge* beforeBadge_ = nullptr;
    Badge* pickBadge_ = nullptr;
};

}  // namespace ombrel
