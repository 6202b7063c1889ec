#include "HistogramView.h"

#include "library/AppModel.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

namespace ombrel {
namespace ui {

ClipIndicator::ClipIndicator(QColor color, bool left, QWidget* parent)
    : QAbstractButton(parent), color_(color), left_(left) {
    setFixedSize(sizeHint());
    setCursor(Qt::PointingHandCursor);
}

void ClipIndicator::setState(bool on, bool active) {
    if (on == on_ && active == active_) return;
    on_ = on;
    active_ = active;
    update();
}

void ClipIndicator::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    if (active_) {
        painter.setBrush(QColor(255, 255, 255, qRound(0.2 * 255)));
        painter.drawRoundedRect(QRectF(rect()), 3, 3);
    }
    // A triangle 9 points across, pointing out of the histogram on its side.
    const QPointF c = QRectF(rect()).center();
    const double s = 4.5;
    QPainterPath triangle;
    if (left_) {
        triangle.moveTo(c.x() - s, c.y());
        triangle.lineTo(c.x() + s * 0.8, c.y() - s);
        triangle.lineTo(c.x() + s * 0.8, c.y() + s);
    } else {
        triangle.moveTo(c.x() + s, c.y());
        triangle.lineTo(c.x() - s * 0.8, c.y() - s);
        triangle.lineTo(c.x() - s * 0.8, c.y() + s);
    }
    triangle.closeSubpath();
    painter.setBrush(on_ ? color_ : QColor(128, 128, 128, qRound(0.4 * 255)));
    painter.drawPath(triangle);
}

}  // namespace ui

HistogramView::HistogramView(AppModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    setObjectName(QStringLiteral("histogram"));
    setFixedHeight(90);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 4, 4, 4);
    shadow_ = new ui::ClipIndicator(QColor(10, 132, 255), true, this);
    shadow_->setToolTip(QStringLiteral("Shadow clipping (J toggles the overlay)"));
    highlight_ = new ui::ClipIndicator(QColor(255, 69, 58), false, this);
    highlight_->setToolTip(QStringLiteral("Highlight clipping (J toggles the overlay)"));
    row->addWidget(shadow_, 0, Qt::AlignTop);
    row->addStretch(1);
    row->addWidget(highlight_, 0, Qt::AlignTop);

    for (ui::ClipIndicator* indicator : {shadow_, highlight_}) {
        connect(indicator, &QAbstractButton::clicked, this, [this] {
            ViewState& view = *model_.view();
            view.setShowClipping(!view.showClipping());
            view.bumpTick();
        });
    }
    connect(model.histogram(), &HistogramModel::dataChanged, this, &HistogramView::refresh);
    connect(model.view(), &ViewState::showClippingChanged, this, &HistogramView::refresh);
    refresh();
}

void HistogramView::refresh() {
    const HistogramData& data = model_.histogram()->data();
    const bool active = model_.view()->showClipping();
    shadow_->setState(data.shadowClip > 0.001f, active);
    highlight_->setState(data.highlightClip > 0.001f, active);
    update();
}

void HistogramView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath clip;
    clip.addRoundedRect(QRectF(rect()), 4, 4);
    painter.setClipPath(clip);
    painter.fillRect(rect(), QColor(0, 0, 0, qRound(0.35 * 255)));

    const HistogramData& data = model_.histogram()->data();
    if (data.r.size() != 256) return;
    const double w = width(), h = height();
    const auto area = [&](const std::vector<float>& v) {
        QPainterPath path(QPointF(0, h));
        for (std::size_t i = 0; i < v.size(); ++i) path.lineTo(i * w / 255, h * (1 - 0.95 * v[i]));
        path.lineTo(w, h);
        path.closeSubpath();
        return path;
    };
    // Additive, so overlapping channels add up towards white.
    painter.setCompositionMode(QPainter::CompositionMode_Plus);
    painter.setPen(Qt::NoPen);
    const struct {
        const std::vector<float>& values;
        QColor color;
    } layers[] = {
        {data.r, QColor(255, 59, 48, qRound(0.55 * 255))},
        {data.g, QColor(52, 199, 89, qRound(0.55 * 255))},
        {data.b, QColor(0, 122, 255, qRound(0.6 * 255))},
        {data.l, QColor(255, 255, 255, qRound(0.15 * 255))},
    };
    for (const auto& layer : layers) {
        if (layer.values.size() != 256) continue;
        painter.setBrush(layer.color);
        painter.drawPath(area(layer.values));
    }
}

}  // namespace ombrel
