#include "SectionBox.h"

#include "SidebarParts.h"
#include "Theme.h"

#include "library/AppModel.h"

#include <QHBoxLayout>
#include <QToolButton>
#include <QVBoxLayout>

namespace ombrel {

SectionBox::SectionBox(Section section, AppModel& model, bool open, QWidget* parent)
    : QWidget(parent), section_(section) {
    const QString title = QString::fromUtf8(sectionTexts.text(section).data(), sectionTexts.text(section).size());
    setObjectName(title);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);

    auto* headerRow = new QHBoxLayout;
    headerRow->setSpacing(4);
    header_ = new ui::DisclosureButton(title, this);
    reset_ = new QToolButton(this);
    reset_->setAutoRaise(true);
    reset_->setIcon(theme::icon({"edit-reset", "edit-undo"}));
    reset_->setIconSize(QSize(14, 14));
    reset_->setToolTip(QStringLiteral("Reset ") + title);
    headerRow->addWidget(header_, 1);
    headerRow->addWidget(reset_);
    column->addLayout(headerRow);

    body_ = new QWidget(this);
    contentLayout_ = new QVBoxLayout(body_);
    contentLayout_->setContentsMargins(0, 0, 0, 0);
    contentLayout_->setSpacing(6);
    column->addWidget(body_);
    column->addWidget(ui::divider(this));

    header_->setChecked(open);
    body_->setVisible(open);
    connect(header_, &QAbstractButton::toggled, this, [this](bool on) {
        body_->setVisible(on);
        emit openChanged(on);
    });
    connect(reset_, &QToolButton::clicked, this, [&model, section] { model.reset(section); });
}

bool SectionBox::isOpen() const { return header_->isChecked(); }

void SectionBox::setOpen(bool open) { header_->setChecked(open); }

}  // namespace ombrel
