#include "AdjSlider.h"

#include "SidebarParts.h"
#include "Theme.h"
#include "ValueText.h"

#include "library/FieldBinding.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyleOptionSlider>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace ombrel {
namespace ui {

EditSlider::EditSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    // Focus by click or tab only: a wheel passing over must not take it.
    setFocusPolicy(Qt::StrongFocus);
}

void EditSlider::setTrack(const QGradientStops& stops) {
    track_ = stops;
    update();
}

QRect EditSlider::handleRect() const {
    QStyleOptionSlider opt;
    initStyleOption(&opt);
    return style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, this);
}

void EditSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        QStyleOptionSlider opt;
        initStyleOption(&opt);
        const QRect handle = handleRect();
        if (!handle.contains(event->position().toPoint())) {
            // Jump under the pointer first; the press then grabs the handle and drags it.
            const QRect groove = style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderGroove, this);
            const int span = groove.width() - handle.width();
            const int x = event->position().toPoint().x() - groove.x() - handle.width() / 2;
            setValue(QStyle::sliderValueFromPosition(minimum(), maximum(), x, span));
        }
    }
    QSlider::mousePressEvent(event);
}

void EditSlider::paintEvent(QPaintEvent* event) {
    if (track_.isEmpty()) {
        QSlider::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF capsule(6, height() / 2.0 - 1.5, width() - 12, 3);
    QLinearGradient gradient(capsule.topLeft(), capsule.topRight());
    gradient.setStops(track_);
    painter.setPen(Qt::NoPen);
    painter.setBrush(gradient);
    painter.drawRoundedRect(capsule, 1.5, 1.5);

    QStyleOptionSlider opt;
    initStyleOption(&opt);
    opt.subControls = QStyle::SC_SliderHandle;
    style()->drawComplexControl(QStyle::CC_Slider, &opt, &painter, this);
}

ValueField::ValueField(QWidget* parent) : QLineEdit(parent) {
    setFrame(false);
    setReadOnly(true);
    setFocusPolicy(Qt::ClickFocus);
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setFont(ui::font(11));
    setFixedWidth(56);
    setCursor(Qt::IBeamCursor);
    setToolTip(QStringLiteral("Click to type a value"));
    QPalette p = palette();
    p.setColor(QPalette::Base, Qt::transparent);
    setPalette(p);
    connect(this, &QLineEdit::returnPressed, this, [this] {
        const QString text = this->text();
        endEditing();
        emit typed(text);
    });
}

void ValueField::setShownText(const QString& text) {
    shown_ = text;
    if (!editing_ && this->text() != text) setText(text);
}

void ValueField::mousePressEvent(QMouseEvent* event) {
    QLineEdit::mousePressEvent(event);
    if (!editing_) {
        editing_ = true;
        setReadOnly(false);
        QPalette p = palette();
        p.setColor(QPalette::Base, QColor(0x1f, 0x1f, 0x20));
        setPalette(p);
        selectAll();
    }
}

void ValueField::keyPressEvent(QKeyEvent* event) {
    if (editing_ && event->key() == Qt::Key_Escape) {
        endEditing();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void ValueField::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    endEditing();
}

void ValueField::endEditing() {
    if (!editing_) return;
    editing_ = false;
    setReadOnly(true);
    QPalette p = palette();
    p.setColor(QPalette::Base, Qt::transparent);
    setPalette(p);
    setText(shown_);
    deselect();
    clearFocus();
}

}  // namespace ui

AdjSlider::AdjSlider(const QString& title, double min, double max, double resetValue, std::string format, Getter get,
                     Setter set, QWidget* parent)
    : QWidget(parent), min_(min), max_(max), reset_(resetValue), format_(std::move(format)), get_(std::move(get)),
      set_(std::move(set)) {
    setObjectName(title);
    setToolTip(QStringLiteral("Double-click the label to reset"));

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(1);

    auto* row = new QHBoxLayout;
    row->setSpacing(4);
    title_ = new QLabel(title, this);
    title_->setFont(ui::font(11));
    title_->installEventFilter(this);
    value_ = new ui::ValueField(this);
    row->addWidget(title_);
    row->addStretch(1);
    row->addWidget(value_);
    column->addLayout(row);

    slider_ = new ui::EditSlider(this);
    slider_->setRange(0, steps);
    slider_->setPageStep(steps / 20);
    slider_->setSingleStep(1);
    column->addWidget(slider_);

    connect(slider_, &QSlider::valueChanged, this, [this](int position) { set_(valueAt(position)); });
    connect(value_, &ui::ValueField::typed, this, &AdjSlider::typed);
    refresh();
}

AdjSlider::AdjSlider(const QString& title, double min, double max, double resetValue, std::string format,
                     const FieldBinding& binding, QWidget* parent)
    : AdjSlider(title, min, max, resetValue, std::move(format), [binding] { return binding.value(); },
                [binding](double v) { binding.setValue(v); }, parent) {}

void AdjSlider::setResetValue(double value) {
    reset_ = value;
    refresh();
}

void AdjSlider::setSource(Getter get, Setter set) {
    get_ = std::move(get);
    set_ = std::move(set);
    refresh();
}

void AdjSlider::refresh() {
    const double v = get_();
    {
        const QSignalBlocker blocker(slider_);
        // The nearest end for a value from outside the range; the label shows it as it is.
        if (position(v) != slider_->value()) slider_->setValue(position(v));
    }
    value_->setShownText(QString::fromStdString(valuetext::format(format_, v)));
    const QColor color = v != reset_ ? theme::accent() : theme::secondaryText();
    if (value_->palette().color(QPalette::Text) != color) ui::setTextColor(value_, color);
}

bool AdjSlider::eventFilter(QObject* watched, QEvent* event) {
    if (watched == title_ && event->type() == QEvent::MouseButtonDblClick) {
        set_(reset_);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

int AdjSlider::position(double value) const {
    if (!(max_ > min_)) return 0;
    return static_cast<int>(std::lround(std::clamp((value - min_) / (max_ - min_), 0.0, 1.0) * steps));
}

double AdjSlider::valueAt(int position) const { return min_ + (max_ - min_) * position / steps; }

void AdjSlider::typed(const QString& text) {
    if (const auto v = valuetext::parse(text.toStdString(), format_, min_, max_)) set_(*v);
    refresh();
}

}  // namespace ombrel
