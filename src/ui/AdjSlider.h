#pragma once

#include <QGradientStops>
#include <QLineEdit>
#include <QSlider>
#include <QWidget>

#include <functional>
#include <string>

class QLabel;

namespace ombrel {

class FieldBinding;

namespace ui {

// A slider that jumps to where it is clicked and can paint a coloured track
// in place of its groove.
class EditSlider : public QSlider {
    Q_OBJECT
public:
    explicit EditSlider(QWidget* parent = nullptr);
    void setTrack(const QGradientStops& stops);
    QRect handleRect() const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QGradientStops track_;
};

// The value beside a slider's title. Clicking it lets the user type a value:
// Return applies it, Escape or leaving the field puts the shown value back.
class ValueField : public QLineEdit {
    Q_OBJECT
public:
    explicit ValueField(QWidget* parent = nullptr);
    void setShownText(const QString& text);

signals:
    void typed(const QString& text);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void endEditing();

    QString shown_;
    bool editing_ = false;
};

}  // namespace ui

// One labelled adjustment: the title, the value in its format (in the accent
// colour while it differs from the reset value) and a continuous slider. A
// double click on the title writes the reset value through the same setter,
// so a reset is an ordinary, undoable edit. The widget's object name is its title.
class AdjSlider : public QWidget {
    Q_OBJECT
public:
    using Getter = std::function<double()>;
    using Setter = std::function<void(double)>;

    AdjSlider(const QString& title, double min, double max, double resetValue, std::string format, Getter get,
              Setter set, QWidget* parent = nullptr);
    AdjSlider(const QString& title, double min, double max, double resetValue, std::string format,
              const FieldBinding& binding, QWidget* parent = nullptr);

    void setTrack(const QGradientStops& stops) { slider_->setTrack(stops); }
    void setResetValue(double value);
    // Reads and writes another value from now on (the HSL mode picks the list).
    void setSource(Getter get, Setter set);
    // Shows the current value.
    void refresh();

    double value() const { return get_(); }
    ui::EditSlider* slider() const { return slider_; }
    ui::ValueField* valueField() const { return value_; }
    QLabel* titleLabel() const { return title_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int position(double value) const;
    double valueAt(int position) const;
    void typed(const QString& text);

    static constexpr int steps = 2000;

    double min_, max_, reset_;
    std::string format_;
    Getter get_;
    Setter set_;
    QLabel* title_;
    ui::ValueField* value_;
    ui::EditSlider* slider_;
};

}  // namespace ombrel
