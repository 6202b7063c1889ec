#include "SegmentedControl.h"

#include "SidebarParts.h"
#include "Theme.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QSignalBlocker>

namespace ombrel::ui {

SegmentedControl::SegmentedControl(const QStringList& segments, QWidget* parent) : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    const QString accent = theme::accent().name();
    for (int i = 0; i < segments.size(); ++i) {
        auto* button = new QPushButton(segments[i], this);
        button->setCheckable(true);
        button->setFont(ui::font(11));
        button->setFocusPolicy(Qt::TabFocus);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        // Joined segments: outer corners rounded, inner edges shared.
        const QString radius = i == 0 ? "border-top-left-radius:4px;border-bottom-left-radius:4px;"
                               : i == segments.size() - 1
                                   ? "border-top-right-radius:4px;border-bottom-right-radius:4px;"
                                   : "";
        button->setStyleSheet(QStringLiteral("QPushButton{background:#3a3a3c;color:#dcdcdc;border:1px solid #1c1c1d;"
                                             "padding:2px 6px;min-height:16px;%1%2}"
                                             "QPushButton:checked{background:%3;color:white;}")
                                  .arg(radius, i > 0 ? "border-left:none;" : "", accent));
        group_.addButton(button, i);
        row->addWidget(button);
    }
    if (!segments.isEmpty()) group_.button(0)->setChecked(true);
    connect(&group_, &QButtonGroup::idClicked, this, &SegmentedControl::chosen);
}

void SegmentedControl::setCurrent(int index) {
    if (QAbstractButton* button = group_.button(index)) {
        const QSignalBlocker blocker(&group_);
        button->setChecked(true);
    }
}

}  // namespace ombrel::ui
