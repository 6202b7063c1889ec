#pragma once

#include "model/Section.h"

#include <QWidget>

class QToolButton;
class QVBoxLayout;

namespace ombrel {

class AppModel;

namespace ui {
class DisclosureButton;
}

// A collapsible section of the sidebar: a header that opens and closes it,
// a reset button for the section (shown open or closed), the content while
// open, and a divider. Its object name is the section's title.
class SectionBox : public QWidget {
    Q_OBJECT
public:
    SectionBox(Section section, AppModel& model, bool open, QWidget* parent = nullptr);

    Section section() const { return section_; }
    // Where the section's controls go.
    QVBoxLayout* content() const { return contentLayout_; }
    bool isOpen() const;
    void setOpen(bool open);
    ui::DisclosureButton* header() const { return header_; }
    QToolButton* resetButton() const { return reset_; }

signals:
    void openChanged(bool open);

private:
    Section section_;
    ui::DisclosureButton* header_;
    QToolButton* reset_;
    QWidget* body_;
    QVBoxLayout* contentLayout_;
};

}  // namespace ombrel
