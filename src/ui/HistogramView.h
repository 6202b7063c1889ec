#pragma once

#include <QAbstractButton>
#include <QWidget>

namespace ombrel {

class AppModel;

namespace ui {

// A small triangle that lights up in its colour when that end of the
// histogram clips, on a light plate while the clipping overlay is shown.
class ClipIndicator : public QAbstractButton {
    Q_OBJECT
public:
    ClipIndicator(QColor color, bool left, QWidget* parent = nullptr);
    void setState(bool on, bool active);
    bool isOn() const { return on_; }
    bool isActive() const { return active_; }
    QSize sizeHint() const override { return {15, 15}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor color_;
    bool left_;
    bool on_ = false;
    bool active_ = false;
};

}  // namespace ui

// The histogram of the current render, 90 points high: red, green, blue and
// luminance added up, with the shadow and highlight clipping indicators that
// switch the preview's clipping overlay.
class HistogramView : public QWidget {
    Q_OBJECT
public:
    explicit HistogramView(AppModel& model, QWidget* parent = nullptr);

    ui::ClipIndicator* shadowIndicator() const { return shadow_; }
    ui::ClipIndicator* highlightIndicator() const { return highlight_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refresh();

    AppModel& model_;
    ui::ClipIndicator* shadow_;
    ui::ClipIndicator* highlight_;
};

}  // namespace ombrel
