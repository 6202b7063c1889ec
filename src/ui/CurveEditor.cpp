#include "CurveEditor.h"

#include "SegmentedControl.h"
#include "SidebarParts.h"

#include "library/AppModel.h"
#include "model/Curve.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <array>

namespace ombrel {
namespace {

// The channel's curve, const or not as the settings are.
template <typename Settings>
auto& pointsOf(Settings& settings, int channel) {
    switch (channel) {
        case 1: return settings.curves.red;
        case 2: return settings.curves.green;
        case 3: return settings.curves.blue;
        default: return settings.curves.master;
    }
}

QColor channelColor(int channel) {
    static const std::array<QColor, 4> colors{QColor(Qt::white), QColor(255, 69, 58), QColor(48, 209, 88),
                                              QColor(10, 132, 255)};
    return colors[static_cast<std::size_t>(channel) % colors.size()];
}

}  // namespace

CurvePlot::CurvePlot(AppModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    setObjectName(QStringLiteral("curvePlot"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(sizeHint().height());
    connect(model.edit(), &EditState::settingsChanged, this, qOverload<>(&QWidget::update));
}

// Square: as tall as the column lets it be wide.
void CurvePlot::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (height() != width()) setFixedHeight(width());
}

void CurvePlot::setChannel(int channel) {
    channel_ = channel;
    dragIndex_.reset();
    update();
}

QRectF CurvePlot::plotRect() const { return QRectF(rect()).adjusted(margin, margin, -margin, -margin); }

curveedit::PlotSize CurvePlot::plotSize() const { return {plotRect().width(), plotRect().height()}; }

curveedit::PlotPoint CurvePlot::toPlot(const QPointF& location) const {
    return {location.x() - plotRect().x(), location.y() - plotRect().y()};
}

void CurvePlot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = plotRect();
    const double w = area.width(), h = area.height();
    painter.fillRect(area, QColor(0, 0, 0, qRound(0.35 * 255)));
    painter.translate(area.topLeft());

    painter.setPen(QPen(QColor(255, 255, 255, qRound(0.12 * 255)), 0.5));
    for (double f : {0.25, 0.5, 0.75}) {
        painter.drawLine(QPointF(f * w, 0), QPointF(f * w, h));
        painter.drawLine(QPointF(0, f * h), QPointF(w, f * h));
    }
    QPen dashed(QColor(255, 255, 255, qRound(0.2 * 255)), 0.5);
    dashed.setDashPattern({6, 6});  // 3 points on, 3 off: Qt counts dashes in pen widths
    painter.setPen(dashed);
    painter.drawLine(QPointF(0, h), QPointF(w, 0));

    const CurvePoints& points = pointsOf(model_.edit()->settings(), channel_);
    const QColor color = channelColor(channel_);
    const Curve curve(points);
    QPainterPath path;
    for (int i = 0; i <= 100; ++i) {
        const double x = i / 100.0;
        const QPointF p(x * w, (1 - curve.eval(x)) * h);
        if (i == 0) path.moveTo(p);
        else path.lineTo(p);
    }
    painter.setPen(QPen(color, 1.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);

    painter.setPen(QPen(QColor(0, 0, 0, qRound(0.6 * 255)), 1));
    painter.setBrush(color);
    for (const CurvePoint& p : points) {
        const curveedit::PlotPoint at = curveedit::toPlot(p, plotSize());
        painter.drawEllipse(QPointF(at.x, at.y), 4.5, 4.5);
    }
}

void CurvePlot::drag(curveedit::PlotPoint start, curveedit::PlotPoint location) {
    const int channel = channel_;
    const curveedit::PlotSize size = plotSize();
    if (!dragIndex_) {
        const CurvePoints& points = pointsOf(model_.edit()->settings(), channel);
        dragIndex_ = curveedit::hit(points, start, size);
        if (!dragIndex_) {
            const curveedit::Added added = curveedit::add(points, start, size);
            model_.mutate("curve-add-" + Uuid::generate().toString(),
                          [&](EditSettings& s) { pointsOf(s, channel) = added.points; });
            // Found again in what was stored, as the model may have refused the edit.
            const CurvePoints& stored = pointsOf(model_.edit()->settings(), channel);
            const CurvePoint point = added.index ? added.points[*added.index] : CurvePoint{-1, -1};
            const auto it = std::find(stored.begin(), stored.end(), point);
            if (it != stored.end()) dragIndex_ = static_cast<std::size_t>(it - stored.begin());
        }
    }
    if (!dragIndex_) return;
    const std::size_t index = *dragIndex_;
    model_.mutate("curve-" + std::to_string(channel),
                  [&](EditSettings& s) { curveedit::move(pointsOf(s, channel), index, location, size); });
}

void CurvePlot::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    dragIndex_.reset();
    dragStart_ = toPlot(event->position());
    drag(dragStart_, dragStart_);
}

void CurvePlot::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) drag(dragStart_, toPlot(event->position()));
}

void CurvePlot::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) dragIndex_.reset();
}

void CurvePlot::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const int channel = channel_;
    const CurvePoints& points = pointsOf(model_.edit()->settings(), channel);
    const auto index = curveedit::removable(points, toPlot(event->position()), plotSize());
    dragIndex_.reset();
    if (!index) return;
    model_.mutate("curve-del-" + Uuid::generate().toString(),
                  [&](EditSettings& s) { pointsOf(s, channel).erase(pointsOf(s, channel).begin() + *index); });
}

CurveEditor::CurveEditor(AppModel& model, QWidget* parent) : QWidget(parent) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    picker_ = new ui::SegmentedControl({"RGB", "R", "G", "B"}, this);
    plot_ = new CurvePlot(model, this);
    column->addWidget(picker_);
    column->addWidget(plot_);
    column->addWidget(ui::note(QStringLiteral("Click to add a point, drag to move, double-click a point to remove it"), 9,
                               this));
    connect(picker_, &ui::SegmentedControl::chosen, plot_, &CurvePlot::setChannel);
}

void CurveEditor::resetChannel() {
    picker_->setCurrent(0);
    plot_->setChannel(0);
}

}  // namespace ombrel
