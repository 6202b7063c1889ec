#pragma once

#include "services/ExportOptions.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSlider;

namespace ombrel {

class AppModel;

namespace ui {
class ElidedLabel;
class SegmentedControl;
}  // namespace ui

// The window-modal sheet that exports the target photos: format, quality,
// resize, colour space, file names and destination, then the progress of
// the running export and its summary. Each presentation starts from the
// initial options; the export itself runs in the background and goes on
// when the sheet is closed.
class ExportSheet : public QDialog {
    Q_OBJECT
public:
    ExportSheet(AppModel& model, QWidget* parent);

    const ExportOptions& options() const { return opts_; }
    // Where the exported files go: what the folder chooser sets.
    void setDestination(std::optional<std::filesystem::path> folder);

    QPushButton* exportButton() const { return export_; }

private:
    void chooseFolder();
    void commitLongEdge();
    void refresh();

    AppModel& model_;
    ExportOptions opts_;
    ui::SegmentedControl* format_;
    QWidget* qualityRow_;
    QSlider* quality_;
    QLabel* qualityValue_;
    QCheckBox* resize_;
    QLineEdit* longEdge_;
    ui::SegmentedControl* space_;
    QLineEdit* template_;
    ui::ElidedLabel* destination_;
    QProgressBar* progress_;
    QLabel* summary_;
    QPushButton* export_;
};

}  // namespace ombrel
