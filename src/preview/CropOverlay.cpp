#include "CropOverlay.h"

#include "library/AppModel.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace ombrel {

namespace {

QRectF toQt(const crop::Rect& r) { return QRectF(r.x, r.y, r.width, r.height); }

constexpr double handleSide = 9;

}  // namespace

CropOverlay::CropOverlay(AppModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    setAttribute(Qt::WA_TranslucentBackground);
    connect(model_.edit(), &EditState::settingsChanged, this, qOverload<>(&QWidget::update));
    connect(model_.view(), &ViewState::tickChanged, this, qOverload<>(&QWidget::update));
}

crop::Size CropOverlay::oriented() const {
    std::optional<crop::Size> full;
    if (const auto& proxy = model_.proxy()) full = crop::Size{proxy->fullSize.width, proxy->fullSize.height};
    return crop::orientedSize(full, model_.edit()->settings().crop.quarterTurns);
}

crop::Rect CropOverlay::pictureRect() const {
    return crop::imageRect(oriented(), {double(width()), double(height())});
}

crop::Rect CropOverlay::cropRect() const { return crop::cropRect(model_.edit()->settings().crop, pictureRect()); }

void CropOverlay::paintEvent(QPaintEvent*) {
    const QRectF picture = toQt(pictureRect());
    if (picture.isEmpty()) return;
    const crop::Rect c = cropRect();
    const QRectF cr = toQt(c);

    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath outside;
    outside.setFillRule(Qt::OddEvenFill);
    outside.addRect(picture);
    outside.addRect(cr);
    p.fillPath(outside, QColor(0, 0, 0, 140));

    p.setPen(QPen(QColor(255, 255, 255, 89), 0.5));
    for (int i = 1; i <= 2; ++i) {
        const double x = cr.left() + cr.width() * i / 3, y = cr.top() + cr.height() * i / 3;
        p.drawLine(QPointF(x, cr.top()), QPointF(x, cr.bottom()));
        p.drawLine(QPointF(cr.left(), y), QPointF(cr.right(), y));
    }
    p.setPen(QPen(Qt::white, 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(cr);

    p.setPen(QPen(QColor(0, 0, 0, 128), 0.5));
    p.setBrush(Qt::white);
    using crop::Handle;
    for (Handle h : {Handle::tl, Handle::t, Handle::tr, Handle::r, Handle::br, Handle::b, Handle::bl, Handle::l}) {
        const crop::Point at = crop::handlePoint(h, c);
        p.drawRect(QRectF(at.x - handleSide / 2, at.y - handleSide / 2, handleSide, handleSide));
    }
}

void CropOverlay::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const CropSettings& crop = model_.edit()->settings().crop;
    startRect_ = {crop.x, crop.y, crop.w, crop.h};
    pressedAt_ = event->position();
    active_ = crop::hit({pressedAt_.x(), pressedAt_.y()}, cropRect());
}

void CropOverlay::mouseMoveEvent(QMouseEvent* event) {
    const crop::Rect picture = pictureRect();
    if (!active_ || picture.width <= 0) return;
    // The whole translation since the press, so the rectangle never drifts.
    const QPointF moved = event->position() - pressedAt_;
    const crop::Size size = oriented();
    const crop::Rect next = crop::resized(*active_, model_.edit()->settings().crop, startRect_,
                                          moved.x() / picture.width, moved.y() / picture.height, size.width,
                                          size.height);
    model_.mutate("crop-rect", [&](EditSettings& s) {
        s.crop.x = next.x;
        s.crop.y = next.y;
        s.crop.w = next.width;
        s.crop.h = next.height;
    });
}

void CropOverlay::mouseReleaseEvent(QMouseEvent*) {
    if (active_) model_.endEditRun();
    active_.reset();
}

}  // namespace ombrel
