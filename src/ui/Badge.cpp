#include "Badge.h"

#include <QPainter>

namespace ombrel {

namespace {
constexpr int padX = 7, padY = 3;
}

Badge::Badge(const QString& text, QWidget* parent) : QWidget(parent), text_(text) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_TranslucentBackground);
    QFont f = font();
    f.setPointSize(10);
    f.setBold(true);
    setFont(f);
    resize(sizeHint());
}

QSize Badge::sizeHint() const {
    const QFontMetrics m(font());
    return {m.horizontalAdvance(text_) + 2 * padX, m.height() + 2 * padY};
}

void Badge::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 153));
    p.drawRoundedRect(rect(), height() / 2.0, height() / 2.0);
    p.setPen(Qt::white);
    p.drawText(rect(), Qt::AlignCenter, text_);
}

}  // namespace ombrel
