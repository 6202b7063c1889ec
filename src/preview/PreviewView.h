#pragma once

#include "FrameRenderer.h"
#include "Viewport.h"

#include <QColor>
#include <QElapsedTimer>
#include <QImage>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

namespace ombrel {

class AppModel;

// The photo with its edit, fitted, zoomed and panned. Frames are rendered
// off the main thread at the view's device resolution for exactly the part
// that is visible; until a new frame arrives the last one stays on screen,
// moved and scaled to the current view, so panning and zooming never flash.
class PreviewView : public QWidget {
    Q_OBJECT
public:
    explicit PreviewView(AppModel& model, QWidget* parent = nullptr);
    ~PreviewView() override;

    // A dark, neutral surround: a bright or tinted one biases how tones are judged.
    static QColor background() { return QColor::fromRgbF(0.08f, 0.08f, 0.09f); }

    // Where the picture was last placed, in widget coordinates; empty when
    // nothing is shown.
    QRectF pictureRect() const { return pictureRect_; }
    // The id of the newest frame on screen and of the newest request.
    std::uint64_t shownFrameId() const { return shownId_; }
    std::uint64_t requestedFrameId() const { return requestId_; }
    // The newest state is on screen, perhaps as a draft during a drag.
    bool upToDate() const { return !refreshPosted_ && shownId_ == requestId_; }
    // ... and drawn at full resolution.
    bool settled() const { return upToDate() && !refine_.isActive(); }

public slots:
    // Asks for a frame of the current state, once for all changes made
    // before the event loop next runs.
    void refresh();

signals:
    // A frame was painted and handed to the window system.
    void framePresented(std::uint64_t id);
    // Something of the photo was painted: a rendered frame (`sharp`), or its
    // thumbnail or quick look while the proxy decodes.
    void picturePainted(bool sharp);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    struct Layout {
        const struct LoadedImage* source = nullptr;
        viewport::Size picture;  // full-resolution size of what is shown
        double fit = 0;
        double effective = 0;
        viewport::Rect placed;  // device pixels
    };
    std::optional<Layout> layout();
    void requestFrame();
    void frameArrived(Frame frame);
    void magnify(double magnification, std::optional<QPointF> anchor);
    void panBy(QPointF delta);
    void toggle100();
    void updateLabel(double fit);
    void currentChanged();
    void showQuickLook(std::shared_ptr<const Bitmap8> picture);

    AppModel& model_;
    std::unique_ptr<FrameRenderer> renderer_;
    std::uint64_t requestId_ = 0;
    std::uint64_t shownId_ = 0;
    std::optional<Frame> frame_;
    // Shown until the first frame: the filmstrip thumbnail, then the quick look.
    std::shared_ptr<const Bitmap8> quickLookPixels_;
    QImage quickLook_;
    QRectF pictureRect_;
    std::optional<QPointF> dragFrom_;
    bool refreshPosted_ = false;
    // Frames asked for in quick succession (a drag) are drafts at half the
    // resolution, a quarter of the work; once they stop, a full one follows.
    QElapsedTimer sinceRequest_;
    QTimer refine_;
    bool sharpNext_ = false;
    // What a first frame drawn ahead on another thread needs of this view.
    struct Shape {
        std::mutex mutex;
        viewport::Size view;
        bool before = false;
        bool clipping = false;
    };
    std::shared_ptr<Shape> shape_ = std::make_shared<Shape>();
};

}  // namespace ombrel
