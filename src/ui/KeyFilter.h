#pragma once

#include <QObject>

namespace ombrel {

class AppModel;

// The single-key commands (arrows, ratings, flags, J, backslash), answered
// for the whole application before any widget sees the key; keys with Ctrl
// or Alt, keys typed into a text field and keys while a dialog is open go on
// as usual.
class KeyFilter : public QObject {
    Q_OBJECT
public:
    explicit KeyFilter(AppModel& model, QObject* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    AppModel& model_;
};

}  // namespace ombrel
