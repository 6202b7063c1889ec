#pragma once

#include <QDialog>
#include <QWidget>

class QLineEdit;
class QMenu;
class QPushButton;
class QToolButton;

namespace ombrel {

class AppModel;

// Below the histogram: the Presets menu, undo and redo, and copy, paste and
// sync of whole settings. "Save current as preset…" asks for a name in a
// small dialog; a cancelled name is offered again the next time.
class ActionBar : public QWidget {
    Q_OBJECT
public:
    explicit ActionBar(AppModel& model, QWidget* parent = nullptr);

    QMenu* presetsMenu() const { return menu_; }
    // The save-preset dialog while it is up.
    QDialog* savePresetDialog() const { return dialog_; }

private:
    void rebuildMenu();
    void refresh();
    void askPresetName();

    AppModel& model_;
    QToolButton* presets_;
    QMenu* menu_;
    QToolButton* undo_;
    QToolButton* redo_;
    QPushButton* paste_;
    QDialog* dialog_ = nullptr;
    QString presetName_;
};

}  // namespace ombrel
