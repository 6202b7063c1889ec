#include "PreviewView.h"

#include "FramePlan.h"

#include "library/AppModel.h"
#include "render/Graph.h"
#include "services/ThumbnailStore.h"

#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QPainter>
#include <QTransform>
#include <QWheelEvent>

#include <cmath>

namespace ombrel {

namespace {

// Requests closer together than this are a drag, drawn as drafts; this long
// after the last draft the full frame is drawn.
constexpr int draftWithinMs = 120;
constexpr int refineAfterMs = 150;
constexpr double draftScale = 0.5;

// Angle units of one wheel notch, and how much one notch zooms.
constexpr double wheelNotch = 120;
constexpr double zoomPerNotch = 0.25;

}  // namespace

PreviewView::PreviewView(AppModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::ClickFocus);
    setMouseTracking(false);
    renderer_ = std::make_unique<FrameRenderer>([this](Frame frame) {
        QMetaObject::invokeMethod(this, [this, frame = std::move(frame)]() mutable { frameArrived(std::move(frame)); },
                                  Qt::QueuedConnection);
    });
    refine_.setSingleShot(true);
    refine_.setInterval(refineAfterMs);
    connect(&refine_, &QTimer::timeout, this, [this] {
        sharpNext_ = true;
        refresh();
    });
    // Drawing a photo's first frame once, while it is decoded ahead, leaves its
    // prefiltered source in the engine's cache: most of a first frame's work.
    model_.setProxyWarmer([shape = shape_](const LoadedImage& image, const EditSettings& settings) {
        viewport::Size view;
        bool before = false, clipping = false;
        {
            const std::lock_guard lock(shape->mutex);
            view = shape->view;
            before = shape->before;
            clipping = shape->clipping;
        }
        // A newly shown photo is never in crop editing.
        const std::optional<FrameRequest> first =
            planFitFrame(image, ShownEdit::of(settings, before, false, clipping), view);
        if (!first) return;
        Pipeline pipeline;
        FrameRenderer::render(pipeline, *first);
    });
    ViewState* view = model_.view();
    connect(view, &ViewState::tickChanged, this, &PreviewView::refresh);
    connect(view, &ViewState::cropEditingChanged, this, &PreviewView::refresh);
    connect(view, &ViewState::eyedropperChanged, this,
            [this] { setCursor(model_.view()->eyedropper() ? Qt::CrossCursor : Qt::ArrowCursor); });
    connect(model_.edit(), &EditState::settingsChanged, this, &PreviewView::refresh);
    connect(&model_, &AppModel::currentIDChanged, this, &PreviewView::currentChanged);
    connect(&model_, &AppModel::quickLookChanged, this, [this] {
        if (model_.quickLook()) showQuickLook(model_.quickLook());
    });
}

// The renderer's thread may still hand over a frame: it is stopped before
// the widget's members go.
PreviewView::~PreviewView() {
    model_.setProxyWarmer({});
    renderer_.reset();
}

void PreviewView::showQuickLook(std::shared_ptr<const Bitmap8> picture) {
    quickLookPixels_ = std::move(picture);
    quickLook_ = {};
    if (quickLookPixels_) {
        const Bitmap8& px = *quickLookPixels_;
        quickLook_ = QImage(px.data(), px.width(), px.height(), static_cast<qsizetype>(px.rowLength()),
                            QImage::Format_RGB888);
        // Turned like the edit will show it, so the proxy's first frame does not jump.
        const CropSettings& crop = model_.edit()->settings().crop;
        if ((crop.quarterTurns & 3) != 0 || crop.flipH || crop.flipV) {
            QTransform turn;
            turn.rotate(90.0 * static_cast<double>(crop.quarterTurns & 3));
            quickLook_ = quickLook_.mirrored(crop.flipH, crop.flipV).transformed(turn);
        }
    }
    update();
}

void PreviewView::currentChanged() {
    frame_.reset();
    pictureRect_ = {};
    // The filmstrip's thumbnail is in memory already: something at once.
    std::shared_ptr<const Bitmap8> thumbnail;
    if (const std::optional<Photo> photo = model_.current()) thumbnail = ThumbnailStore::shared().cached(photo->url);
    showQuickLook(std::move(thumbnail));
    refresh();
}

std::optional<PreviewView::Layout> PreviewView::layout() {
    const auto& proxy = model_.proxy();
    if (!proxy || !proxy->image) return std::nullopt;
    const double dpr = devicePixelRatioF();
    const viewport::Size viewSize{width() * dpr, height() * dpr};
    ViewState& vs = *model_.view();
    const ShownEdit shown = ShownEdit::of(model_.edit()->settings(), vs.showBefore(), vs.cropEditing(), false);

    Layout l;
    l.picture = developedSize(*proxy, shown);
    l.fit = viewport::fitScale(l.picture, viewSize);
    if (l.fit <= 0) return std::nullopt;
    if (vs.cropEditing()) {
        vs.setZoom(1.0);
        vs.setPan({0, 0});
    }
    l.effective = l.fit * vs.zoom();
    l.source = &*proxy;
    if (l.effective > proxy->scale * viewport::fitTolerance) {
        if (model_.full()) l.source = &*model_.full();
        else model_.requestFull();
    }
    const viewport::Placement p =
        viewport::place(l.picture, l.effective, viewSize, {vs.pan().width() * dpr, vs.pan().height() * dpr});
    vs.setPan({p.clampedPan.width / dpr, p.clampedPan.height / dpr});
    // Whole device pixels, so frames are blitted without resampling.
    l.placed = {std::round(p.image.x), std::round(p.image.y), p.image.width, p.image.height};
    updateLabel(l.fit);
    return l;
}

void PreviewView::refresh() {
    if (refreshPosted_) return;
    refreshPosted_ = true;
    QMetaObject::invokeMethod(this, &PreviewView::requestFrame, Qt::QueuedConnection);
}

void PreviewView::requestFrame() {
    refreshPosted_ = false;
    const std::optional<Layout> l = layout();
    if (!l) {
        pictureRect_ = {};
        update();
        return;
    }
    const double dpr = devicePixelRatioF();
    pictureRect_ = QRectF(l->placed.x / dpr, l->placed.y / dpr, l->placed.width / dpr, l->placed.height / dpr);

    const bool draft = !sharpNext_ && sinceRequest_.isValid() && sinceRequest_.elapsed() < draftWithinMs;
    const ViewState& vs = *model_.view();
    const ShownEdit shown =
        ShownEdit::of(model_.edit()->settings(), vs.showBefore(), vs.cropEditing(), vs.showClipping());
    std::optional<FrameRequest> request = planFrame(*l->source, shown, l->effective, l->placed,
                                                    {width() * dpr, height() * dpr}, draft ? draftScale : 1.0);
    if (!request) return;
    {
        const std::lock_guard lock(shape_->mutex);
        shape_->view = {width() * dpr, height() * dpr};
        shape_->before = vs.showBefore();
        shape_->clipping = vs.showClipping();
    }
    // The full frame after a drag is no change of the user's: the next edit
    // after it is timed from the drag's last one.
    if (!sharpNext_) sinceRequest_.restart();
    sharpNext_ = false;
    if (draft) refine_.start();
    else refine_.stop();
    request->id = ++requestId_;
    renderer_->request(std::move(*request));
    update();  // the last frame, moved to where the picture now is
}

void PreviewView::frameArrived(Frame frame) {
    // A frame of a photo no longer shown, or older than the one on screen.
    if (frame.id <= shownId_ || !model_.proxy()) return;
    shownId_ = frame.id;
    if (frame.pixels) {
        frame_ = std::move(frame);
        quickLookPixels_.reset();
        quickLook_ = {};
    }
    repaint();
    emit framePresented(shownId_);
}

void PreviewView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), background());
    if (frame_ && frame_->pixels && !pictureRect_.isEmpty() && frame_->pictureWidth > 0) {
        const FrameBitmap& px = *frame_->pixels;
        const QImage image(px.data(), px.width(), px.height(), static_cast<qsizetype>(px.rowLength()),
                           QImage::Format_ARGB32_Premultiplied);
        // The frame's part of the picture, placed where the picture is now.
        const double sx = pictureRect_.width() / frame_->pictureWidth;
        const double sy = pictureRect_.height() / frame_->pictureHeight;
        const QRectF target(pictureRect_.x() + frame_->region.x * sx, pictureRect_.y() + frame_->region.y * sy,
                            px.width() * sx, px.height() * sy);
        // Drafts are enlarged without smoothing: smoothing would cost the main
        // thread more than the draft saved, and the full frame follows anyway.
        painter.setRenderHint(QPainter::SmoothPixmapTransform,
                              !frame_->draft && std::abs(target.width() * devicePixelRatioF() - px.width()) > 0.5);
        painter.setClipRect(pictureRect_);
        painter.drawImage(target, image);
        emit picturePainted(true);
    } else if (!quickLook_.isNull()) {
        const QSizeF shown = QSizeF(quickLook_.size()).scaled(QSizeF(size()), Qt::KeepAspectRatio);
        const QRectF target(QPointF((width() - shown.width()) / 2, (height() - shown.height()) / 2), shown);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, quickLook_);
        emit picturePainted(false);
    }
}

void PreviewView::resizeEvent(QResizeEvent*) { refresh(); }

void PreviewView::updateLabel(double fit) {
    model_.view()->setZoomLabel(QString::fromStdString(viewport::zoomLabel(model_.view()->zoom(), fit)));
}

void PreviewView::magnify(double magnification, std::optional<QPointF> anchor) {
    ViewState& vs = *model_.view();
    if (vs.cropEditing()) return;
    const std::optional<Layout> before = layout();
    if (!before) return;
    const double zoom = viewport::magnified(vs.zoom(), magnification, before->fit);
    const double fit = before->fit;
    if (anchor && zoom > viewport::fitTolerance) {
        // Keep the picture point under the pointer where it is.
        const double ratio = zoom / vs.zoom();
        const QPointF centre(width() / 2.0, height() / 2.0);
        const QPointF pan(vs.pan().width(), vs.pan().height());
        const QPointF toAnchor = *anchor - centre - pan;
        const QPointF newPan = pan + toAnchor - toAnchor * ratio;
        vs.setPan({newPan.x(), newPan.y()});
    }
    vs.setZoom(zoom);
    if (zoom <= viewport::fitTolerance) vs.setPan({0, 0});
    updateLabel(fit);
    refresh();
}

void PreviewView::panBy(QPointF delta) {
    ViewState& vs = *model_.view();
    if (vs.zoom() <= viewport::fitTolerance || vs.cropEditing()) return;
    vs.setPan({vs.pan().width() + delta.x(), vs.pan().height() + delta.y()});
    refresh();
}

void PreviewView::toggle100() {
    ViewState& vs = *model_.view();
    if (vs.cropEditing()) return;
    const std::optional<Layout> l = layout();
    if (!l) return;
    const double zoom = viewport::toggled100(vs.zoom(), l->fit);
    vs.setZoom(zoom);
    if (zoom <= viewport::fitTolerance) vs.setPan({0, 0});
    updateLabel(l->fit);
    refresh();
}

void PreviewView::wheelEvent(QWheelEvent* event) {
    if (event->modifiers() & Qt::ControlModifier) {
        const double notches = event->angleDelta().y() / wheelNotch;
        magnify(std::pow(1 + zoomPerNotch, notches) - 1, event->position());
    } else {
        // Touchpads give pixels, wheels give notches.
        const QPointF delta = !event->pixelDelta().isNull() ? QPointF(event->pixelDelta())
                                                            : QPointF(event->angleDelta()) / wheelNotch * 40;
        panBy(delta);
    }
    event->accept();
}

bool PreviewView::event(QEvent* event) {
    if (event->type() == QEvent::NativeGesture) {
        auto* gesture = static_cast<QNativeGestureEvent*>(event);
        if (gesture->gestureType() == Qt::ZoomNativeGesture) {
            magnify(gesture->value(), gesture->position());
            return true;
        }
    }
    return QWidget::event(event);
}

void PreviewView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    dragFrom_ = event->position();
    if (model_.view()->eyedropper()) {
        const QRectF r = pictureRect_;
        if (const auto p = viewport::pickPoint({event->position().x(), event->position().y()},
                                               {r.x(), r.y(), r.width(), r.height()}))
            model_.pickWhiteBalance(p->x, p->y);
    }
}

void PreviewView::mouseMoveEvent(QMouseEvent* event) {
    if (!dragFrom_) return;
    const QPointF delta = event->position() - *dragFrom_;
    dragFrom_ = event->position();
    panBy(delta);
}

void PreviewView::mouseReleaseEvent(QMouseEvent*) { dragFrom_.reset(); }

void PreviewView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && !model_.view()->eyedropper()) toggle100();
}

}  // namespace ombrel
