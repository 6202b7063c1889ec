#include "ActionBar.h"

#include "SidebarParts.h"
#include "Theme.h"

#include "library/AppModel.h"
#include "model/BuiltInPresets.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace ombrel {
namespace {

QString nameOf(const Preset& preset) { return QString::fromStdString(preset.name); }

QPushButton* smallButton(const QString& text, const QString& tip, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setToolTip(tip);
    button->setFont(ui::font(11));
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

}  // namespace

ActionBar::ActionBar(AppModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);

    auto* first = new QHBoxLayout;
    first->setSpacing(2);
    presets_ = new QToolButton(this);
    presets_->setText(QStringLiteral("Presets"));
    presets_->setIcon(theme::icon({"tools-wizard", "draw-star"}));
    presets_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    presets_->setPopupMode(QToolButton::InstantPopup);
    presets_->setAutoRaise(true);
    presets_->setFont(ui::font(12));
    presets_->setStyleSheet(QStringLiteral("QToolButton::menu-indicator{image:none;width:0px;}"));
    menu_ = new QMenu(presets_);
    menu_->setObjectName(QStringLiteral("presetsMenu"));
    presets_->setMenu(menu_);

    undo_ = new QToolButton(this);
    undo_->setIcon(ui::fadedWhenDisabled(theme::icon({"edit-undo"}), 16));
    undo_->setToolTip(QStringLiteral("Undo (Ctrl+Z)"));
    redo_ = new QToolButton(this);
    redo_->setIcon(ui::fadedWhenDisabled(theme::icon({"edit-redo"}), 16));
    redo_->setToolTip(QStringLiteral("Redo (Ctrl+Shift+Z)"));
    for (QToolButton* button : {undo_, redo_}) {
        button->setAutoRaise(true);
        button->setIconSize(QSize(16, 16));
    }
    first->addWidget(presets_);
    first->addStretch(1);
    first->addWidget(undo_);
    first->addWidget(redo_);
    column->addLayout(first);

    auto* second = new QHBoxLayout;
    second->setSpacing(6);
    auto* copy = smallButton(QStringLiteral("Copy"), QStringLiteral("Copy this photo's settings"), this);
    paste_ = smallButton(QStringLiteral("Paste"),
                         QStringLiteral("Paste copied settings to the selected photos (crop is kept)"), this);
    auto* sync = smallButton(QStringLiteral("Sync"),
                             QStringLiteral("Copy this photo's settings to all other selected photos"), this);
    second->addWidget(copy);
    second->addWidget(paste_);
    second->addWidget(sync);
    second->addStretch(1);
    column->addLayout(second);

    connect(undo_, &QToolButton::clicked, &model, &AppModel::undo);
    connect(redo_, &QToolButton::clicked, &model, &AppModel::redo);
    connect(copy, &QPushButton::clicked, &model, &AppModel::copySettings);
    connect(paste_, &QPushButton::clicked, &model, &AppModel::pasteSettings);
    connect(sync, &QPushButton::clicked, &model, &AppModel::syncSettings);
    connect(&model, &AppModel::canUndoChanged, this, &ActionBar::refresh);
    connect(&model, &AppModel::canRedoChanged, this, &ActionBar::refresh);
    connect(&model, &AppModel::hasCopiedChanged, this, &ActionBar::refresh);
    connect(&model, &AppModel::userPresetsChanged, this, &ActionBar::rebuildMenu);
    rebuildMenu();
    refresh();
}

void ActionBar::refresh() {
    undo_->setEnabled(model_.canUndo());
    redo_->setEnabled(model_.canRedo());
    paste_->setEnabled(model_.hasCopied());
}

void ActionBar::rebuildMenu() {
    menu_->clear();
    for (const Preset& preset : BuiltInPresets::all()) {
        menu_->addAction(nameOf(preset), this, [this, preset] { model_.applyPreset(preset); });
    }
    const std::vector<Preset>& user = model_.userPresets();
    if (!user.empty()) {
        menu_->addSeparator();
        for (const Preset& preset : user) {
            menu_->addAction(nameOf(preset), this, [this, preset] { model_.applyPreset(preset); });
        }
        QMenu* remove = menu_->addMenu(QStringLiteral("Delete preset"));
        for (const Preset& preset : user) {
            remove->addAction(nameOf(preset), this, [this, preset] { model_.deletePreset(preset); });
        }
    }
    menu_->addSeparator();
    menu_->addAction(QStringLiteral("Save current as preset\u2026"), this, &ActionBar::askPresetName);
}

void ActionBar::askPresetName() {
    if (dialog_) return;
    dialog_ = new QDialog(this);
    dialog_->setObjectName(QStringLiteral("savePreset"));
    dialog_->setWindowTitle(QStringLiteral("Save preset"));
    dialog_->setAttribute(Qt::WA_DeleteOnClose);
    dialog_->setMinimumWidth(320);

    auto* column = new QVBoxLayout(dialog_);
    auto* title = new QLabel(QStringLiteral("Save preset"), dialog_);
    title->setFont(ui::font(13, QFont::DemiBold));
    auto* message = new QLabel(QStringLiteral("Saves the current adjustments (not the crop) as a preset."), dialog_);
    message->setWordWrap(true);
    auto* name = new QLineEdit(presetName_, dialog_);
    name->setPlaceholderText(QStringLiteral("Preset name"));
    auto* buttons = new QDialogButtonBox(dialog_);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    buttons->addButton(QStringLiteral("Save"), QDialogButtonBox::AcceptRole)->setDefault(true);
    column->addWidget(title);
    column->addWidget(message);
    column->addWidget(name);
    column->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, dialog_, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, dialog_, &QDialog::reject);
    connect(dialog_, &QDialog::finished, this, [this, name](int result) {
        if (result == QDialog::Accepted) {
            model_.savePreset(name->text().toStdString());  // as typed: the model trims and refuses blanks
            presetName_.clear();
        } else {
            presetName_ = name->text();
        }
        dialog_ = nullptr;
    });
    dialog_->open();
    name->setFocus();
}

}  // namespace ombrel
