#pragma once

#include "model/Section.h"

#include <QWidget>

#include <functional>
#include <vector>

class QScrollArea;
class QStackedWidget;

namespace ombrel {

class ActionBar;
class AdjSlider;
class AppModel;
class CurveEditor;
class HistogramView;
class InfoBlock;
class SectionBox;

namespace ui {
class SegmentedControl;
}

// The develop column on the right of the window, 310 points wide: the
// histogram and the action bar on top, then the adjustment sections, the
// Info block and a note on RAW decoding in a scrolling list. Every control
// shows the current photo's settings and changes them only through the model,
// so each change is undoable and saved like any other edit.
class Sidebar : public QWidget {
    Q_OBJECT
public:
    explicit Sidebar(AppModel& model, QWidget* parent = nullptr);

    static constexpr int columnWidth = 310;

    SectionBox* section(Section section) const;
    HistogramView* histogramView() const { return histogram_; }
    ActionBar* actionBar() const { return actionBar_; }
    CurveEditor* curveEditor() const { return curveEditor_; }
    InfoBlock* infoBlock() const { return info_; }
    QScrollArea* scrollArea() const { return scroll_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    SectionBox* addSection(Section section, bool open);
    AdjSlider* addSlider(SectionBox* box, AdjSlider* slider);
    void buildBasic();
    void buildHsl();
    void buildDetail();
    void buildLens();
    void buildCrop();
    void buildRaw();
    // Locks the crop to an aspect choice, as one undo step of its own.
    void setAspect(const std::string& aspect, bool keepSwap);
    void setHslMode(int mode);
    void refresh();
    void showPhoto();

    AppModel& model_;
    HistogramView* histogram_;
    ActionBar* actionBar_;
    QStackedWidget* pages_;
    QScrollArea* scroll_;
    QWidget* list_;
    std::vector<SectionBox*> sections_;
    CurveEditor* curveEditor_ = nullptr;
    InfoBlock* info_ = nullptr;
    std::vector<AdjSlider*> sliders_;
    std::vector<AdjSlider*> hslSliders_;
    std::vector<AdjSlider*> rawSliders_;
    ui::SegmentedControl* hslPicker_ = nullptr;
    QWidget* rawControls_ = nullptr;
    QWidget* rawNotApplicable_ = nullptr;
    // Controls other than sliders bring themselves up to date here.
    std::vector<std::function<void()>> refreshers_;
};

}  // namespace ombrel
