#include "KeyFilter.h"

#include "library/AppModel.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>

namespace ombrel {

namespace {

bool typingInto(const QWidget* w) {
    if (!w) return false;
    if (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w)) return true;
    if (const auto* text = qobject_cast<const QTextEdit*>(w)) return !text->isReadOnly();
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(w)) return !plain->isReadOnly();
    if (const auto* combo = qobject_cast<const QComboBox*>(w)) return combo->isEditable();
    return false;
}

// A modal dialog, or any window other than the main one (a popup menu, a sheet).
bool dialogActive() {
    if (QApplication::activeModalWidget() || QApplication::activePopupWidget()) return true;
    const QWidget* active = QApplication::activeWindow();
    return active && active->windowType() == Qt::Dialog;
}

}  // namespace

KeyFilter::KeyFilter(AppModel& model, QObject* parent) : QObject(parent), model_(model) {}

bool KeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const keys::Key which = key->key() == Qt::Key_Right  ? keys::Key::rightArrow
                            : key->key() == Qt::Key_Left ? keys::Key::leftArrow
                                                         : keys::Key::other;
    const Qt::KeyboardModifiers m = key->modifiers();
    const keys::Modifiers modifiers{m.testFlag(Qt::ControlModifier), m.testFlag(Qt::AltModifier),
                                    m.testFlag(Qt::MetaModifier), m.testFlag(Qt::ShiftModifier)};
    const std::string text = key->text().toStdString();
    return model_.handleKey(which, modifiers, text, dialogActive(), typingInto(QApplication::focusWidget()));
}

}  // namespace ombrel
