#include "DropHighlight.h"

#include "Theme.h"

#include <QPainter>

namespace ombrel {

DropHighlight::DropHighlight(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_TranslucentBackground);
    hide();
}

void DropHighlight::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(theme::accent(), 3));
    p.drawRoundedRect(QRectF(rect()).adjusted(4, 4, -4, -4), 8, 8);
}

}  // namespace ombrel
