#include "BusyIndicator.h"

#include "Theme.h"

#include <QPainter>

namespace ombrel {

BusyIndicator::BusyIndicator(int diameter, QWidget* parent) : QWidget(parent) {
    setFixedSize(diameter, diameter);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_TranslucentBackground);
    timer_.setInterval(50);
    connect(&timer_, &QTimer::timeout, this, [this] {
        angle_ = (angle_ + 30) % 360;
        update();
    });
}

void BusyIndicator::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double w = std::max(2.0, width() / 10.0);
    const QRectF r = QRectF(rect()).adjusted(w, w, -w, -w);
    p.setPen(QPen(QColor(255, 255, 255, 40), w));
    p.drawEllipse(r);
    p.setPen(QPen(theme::primaryText(), w, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(r, -angle_ * 16, 100 * 16);
}

void BusyIndicator::showEvent(QShowEvent*) { timer_.start(); }
void BusyIndicator::hideEvent(QHideEvent*) { timer_.stop(); }

}  // namespace ombrel
