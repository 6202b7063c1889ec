#pragma once

#include "CurveEditing.h"

#include <QWidget>

#include <optional>

namespace ombrel {

class AppModel;

namespace ui {
class SegmentedControl;
}

// The square plot of one tone curve. A press grabs the nearest handle or adds
// a point there and drags it; a double click removes an interior point.
class CurvePlot : public QWidget {
    Q_OBJECT
public:
    CurvePlot(AppModel& model, QWidget* parent = nullptr);

    int channel() const { return channel_; }
    void setChannel(int channel);

    static constexpr int margin = 5;
    QSize sizeHint() const override { return {260, 260}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // The plot inside the widget's margin, which keeps handles on the edges whole.
    QRectF plotRect() const;
    curveedit::PlotSize plotSize() const;
    curveedit::PlotPoint toPlot(const QPointF& location) const;
    void drag(curveedit::PlotPoint start, curveedit::PlotPoint location);

    AppModel& model_;
    int channel_ = 0;  // 0 master, 1 red, 2 green, 3 blue
    std::optional<std::size_t> dragIndex_;
    curveedit::PlotPoint dragStart_;
};

// The Tone Curve section's content: the channel picker, the plot and a hint.
class CurveEditor : public QWidget {
    Q_OBJECT
public:
    explicit CurveEditor(AppModel& model, QWidget* parent = nullptr);

    // Back to the master curve: a collapsed section forgets its channel.
    void resetChannel();
    CurvePlot* plot() const { return plot_; }
    ui::SegmentedControl* channelPicker() const { return picker_; }

private:
    ui::SegmentedControl* picker_;
    CurvePlot* plot_;
};

}  // namespace ombrel
