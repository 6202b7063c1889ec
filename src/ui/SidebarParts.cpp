#include "SidebarParts.h"

#include "Theme.h"

#include <QPainter>
#include <QPainterPath>

namespace ombrel::ui {

QFont font(int pixels, QFont::Weight weight) {
    QFont f;
    f.setPixelSize(pixels);
    f.setWeight(weight);
    return f;
}

QFrame* divider(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::NoFrame);
    line->setFixedHeight(1);
    line->setAutoFillBackground(true);
    QPalette p = line->palette();
    p.setColor(QPalette::Window, QColor(255, 255, 255, 28));
    line->setPalette(p);
    return line;
}

QLabel* note(const QString& text, int pixels, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setFont(font(pixels));
    setTextColor(label, theme::secondaryText());
    return label;
}

void setTextColor(QWidget* widget, const QColor& color) {
    QPalette p = widget->palette();
    p.setColor(QPalette::WindowText, color);
    p.setColor(QPalette::Text, color);
    p.setColor(QPalette::ButtonText, color);
    widget->setPalette(p);
}

QIcon fadedWhenDisabled(const QIcon& icon, int size) {
    const QPixmap normal = icon.pixmap(size, size);
    QPixmap faded(normal.size());
    faded.fill(Qt::transparent);
    QPainter painter(&faded);
    painter.setOpacity(0.3);
    painter.drawPixmap(0, 0, normal);
    painter.end();
    QIcon result;
    result.addPixmap(normal, QIcon::Normal);
    result.addPixmap(faded, QIcon::Disabled);
    return result;
}

DisclosureButton::DisclosureButton(const QString& title, QWidget* parent) : QAbstractButton(parent) {
    setText(title);
    setCheckable(true);
    setFont(ui::font(12, QFont::DemiBold));
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize DisclosureButton::sizeHint() const {
    return {14 + fontMetrics().horizontalAdvance(text()), std::max(20, fontMetrics().height() + 6)};
}

void DisclosureButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor color = theme::primaryText();

    // The chevron, drawn so that it turns about its own centre.
    painter.save();
    painter.translate(5, height() / 2.0);
    if (isChecked()) painter.rotate(90);
    QPainterPath chevron;
    chevron.moveTo(-1.75, -3.5);
    chevron.lineTo(1.75, 0);
    chevron.lineTo(-1.75, 3.5);
    painter.setPen(QPen(color, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(chevron);
    painter.restore();

    painter.setPen(color);
    painter.setFont(font());
    painter.drawText(rect().adjusted(14, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, text());
}

}  // namespace ombrel::ui
