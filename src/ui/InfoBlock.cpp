#include "InfoBlock.h"

#include "SidebarParts.h"
#include "Theme.h"

#include "library/AppModel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace ombrel {

InfoBlock::InfoBlock(AppModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    setObjectName(QStringLiteral("Info"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    header_ = new ui::DisclosureButton(QStringLiteral("Info"), this);
    header_->setChecked(true);
    body_ = new QWidget(this);
    rows_ = new QVBoxLayout(body_);
    rows_->setContentsMargins(0, 0, 0, 0);
    rows_->setSpacing(8);
    column->addWidget(header_);
    column->addWidget(body_);
    column->addWidget(ui::divider(this));

    connect(header_, &QAbstractButton::toggled, body_, &QWidget::setVisible);
    connect(model.edit(), &EditState::exifChanged, this, &InfoBlock::rebuild);
    rebuild();
}

void InfoBlock::rebuild() {
    while (QLayoutItem* item = rows_->takeAt(0)) {
        if (QWidget* widget = item->widget()) delete widget;
        delete item;
    }
    const MetadataLines& lines = model_.edit()->exif();
    if (lines.empty()) rows_->addWidget(ui::note(QStringLiteral("No EXIF data"), 11, body_));
    for (const auto& [label, value] : lines) {
        auto* row = new QWidget(body_);
        auto* layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(4);
        QLabel* name = ui::note(QString::fromStdString(label), 11, row);
        name->setFixedWidth(80);
        name->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        auto* text = new QLabel(QString::fromStdString(value), row);
        text->setFont(ui::font(11));
        text->setWordWrap(true);
        text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        layout->addWidget(name, 0, Qt::AlignTop);
        layout->addWidget(text, 1);
        rows_->addWidget(row);
    }
}

}  // namespace ombrel
