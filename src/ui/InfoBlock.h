#pragma once

#include <QWidget>

class QVBoxLayout;

namespace ombrel {

class AppModel;

namespace ui {
class DisclosureButton;
}

// The current photo's EXIF lines under a header that folds them away; the
// values can be selected and copied. Starts expanded.
class InfoBlock : public QWidget {
    Q_OBJECT
public:
    explicit InfoBlock(AppModel& model, QWidget* parent = nullptr);
    ui::DisclosureButton* header() const { return header_; }

private:
    void rebuild();

    AppModel& model_;
    ui::DisclosureButton* header_;
    QWidget* body_;
    QVBoxLayout* rows_;
};

}  // namespace ombrel
