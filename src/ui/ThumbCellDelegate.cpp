#include "ThumbCellDelegate.h"

#include "FilmstripLayout.h"
#include "FilmstripModel.h"
#include "Theme.h"

#include "model/Flag.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <numbers>

namespace ombrel {

namespace {

constexpr int boxToStars = 2;
constexpr int starSize = 7;
constexpr int starGap = 1;
constexpr int starsToName = 2;
constexpr int markSize = 12;
constexpr int markInset = 4;
constexpr double rejectOpacity = 0.45;

const QColor pickGreen(0x32, 0xd7, 0x4b);
const QColor rejectRed(0xff, 0x45, 0x3a);
const QColor starYellow(0xff, 0xd6, 0x0a);
const QColor starGrey(0x8e, 0x8e, 0x93, 128);

// A five-pointed star filling a square, point up.
QPainterPath starPath(const QRectF& square) {
    QPainterPath path;
    const QPointF centre = square.center();
    const double outer = square.width() / 2;
    const double inner = outer * 0.42;
    // Centred on the circle's middle, a star reaches lower at its top than at
    // its feet: nudge it down so it sits centred in its square.
    const double drop = outer * (1 - std::cos(std::numbers::pi / 5)) / 2;
    for (int i = 0; i < 10; ++i) {
        const double angle = -std::numbers::pi / 2 + i * std::numbers::pi / 5;
        const double r = i % 2 == 0 ? outer : inner;
        const QPointF p(centre.x() + r * std::cos(angle), centre.y() + drop + r * std::sin(angle));
        i == 0 ? path.moveTo(p) : path.lineTo(p);
    }
    path.closeSubpath();
    return path;
}

// Marks sit on any picture: a faint dark rim keeps them readable on bright ones.
const QPen markRim(QColor(0, 0, 0, 90), 1.2);

void drawPickMark(QPainter& p, const QRectF& r) {
    // A pole on the left with a pennant waving from its top.
    const double w = r.width();
    const double h = r.height();
    const double x0 = r.left() + w * 0.14;
    const double x1 = x0 + std::max(1.4, w / 9);
    QPainterPath flag;
    flag.moveTo(x0, r.top());
    flag.lineTo(x1, r.top());
    flag.cubicTo(x1 + w * 0.25, r.top() - h * 0.06, x1 + w * 0.4, r.top() + h * 0.16, r.right(), r.top() + h * 0.06);
    flag.lineTo(r.right(), r.top() + h * 0.56);
    flag.cubicTo(x1 + w * 0.4, r.top() + h * 0.66, x1 + w * 0.25, r.top() + h * 0.44, x1, r.top() + h * 0.56);
    flag.lineTo(x1, r.bottom());
    flag.lineTo(x0, r.bottom());
    flag.closeSubpath();
    p.setPen(markRim);
    p.setBrush(pickGreen);
    p.drawPath(flag);
}

void drawRejectMark(QPainter& p, const QRectF& r) {
    p.setPen(markRim);
    p.setBrush(rejectRed);
    p.drawEllipse(r);
    const double arm = r.width() * 0.2;
    QPen cross(Qt::white, std::max(1.4, r.width() / 8), Qt::SolidLine, Qt::RoundCap);
    p.setPen(cross);
    const QPointF c = r.center();
    p.drawLine(c + QPointF(-arm, -arm), c + QPointF(arm, arm));
    p.drawLine(c + QPointF(-arm, arm), c + QPointF(arm, -arm));
}

void drawSpinner(QPainter& p, const QPointF& centre, int phase) {
    // Spokes fading behind the leading one: a small activity indicator.
    constexpr int spokes = 8;
    const QColor base = theme::secondaryText();
    for (int i = 0; i < spokes; ++i) {
        const double angle = 2 * std::numbers::pi * i / spokes;
        const int age = ((phase - i) % spokes + spokes) % spokes;
        QColor c = base;
        c.setAlphaF(1.0 - 0.8 * age / (spokes - 1));
        p.setPen(QPen(c, 1.6, Qt::SolidLine, Qt::RoundCap));
        const QPointF dir(std::sin(angle), -std::cos(angle));
        p.drawLine(centre + dir * 3.0, centre + dir * 6.0);
    }
}

// A picture frame with a hill, struck through: the file gave no thumbnail.
void drawNoPicture(QPainter& p, const QPointF& centre) {
    QColor ink = theme::secondaryText();
    ink.setAlphaF(0.7);
    p.setPen(QPen(ink, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    const QRectF frame(centre.x() - 9, centre.y() - 7, 18, 14);
    p.drawRoundedRect(frame, 2, 2);
    const QPointF hill[] = {frame.bottomLeft() + QPointF(2, -2), frame.center() + QPointF(-1, 0),
                            frame.center() + QPointF(2, 3), frame.center() + QPointF(4, 1),
                            frame.bottomRight() + QPointF(-2, -2)};
    p.drawPolyline(hill, 5);
    p.drawLine(frame.topLeft() + QPointF(-2, -2), frame.bottomRight() + QPointF(2, 2));
}

}  // namespace

ThumbCellDelegate::ThumbCellDelegate(QObject* parent) : QStyledItemDelegate(parent) {
    nameFont_.setPixelSize(9);
}

// From the top of the box to the bottom of the name.
QSize ThumbCellDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
    return {filmstrip::pitch,
            filmstrip::boxHeight + boxToStars + starSize + starsToName + QFontMetrics(nameFont_).height()};
}

void ThumbCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    QPainter& p = *painter;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);

    const QRectF box(option.rect.left() + filmstrip::boxInset, option.rect.top(), filmstrip::boxWidth,
                     filmstrip::boxHeight);
    QPainterPath shape;
    shape.addRoundedRect(box, filmstrip::cornerRadius, filmstrip::cornerRadius);

    // The box: its fill, the picture (already rounded) or a sign of waiting, the flag mark.
    p.save();
    if (index.data(FilmstripModel::DimmedRole).toBool()) p.setOpacity(rejectOpacity);
    p.fillPath(shape, QColor(0, 0, 0, 102));
    const QImage picture = index.data(FilmstripModel::PictureRole).value<QImage>();
    if (!picture.isNull()) {
        p.drawImage(box, picture);
    } else if (index.data(FilmstripModel::FailedRole).toBool()) {
        drawNoPicture(p, box.center());
    } else {
        drawSpinner(p, box.center(), spinnerPhase_);
    }
    const QRectF mark(box.left() + markInset, box.top() + markInset, markSize, markSize);
    switch (static_cast<Flag>(index.data(FilmstripModel::FlagRole).toInt())) {
        case Flag::pick: drawPickMark(p, mark); break;
        case Flag::reject: drawRejectMark(p, mark); break;
        case Flag::none: break;
    }
    p.restore();

    // The outline straddles the box's edge, as a frame around the picture.
    const bool current = index.data(FilmstripModel::CurrentRole).toBool();
    const bool selected = index.data(FilmstripModel::SelectedRole).toBool();
    if (current || selected) {
        QColor colour = theme::accent();
        if (!current) colour.setAlphaF(0.6);
        p.setPen(QPen(colour, current ? 3 : 2));
        p.setBrush(Qt::NoBrush);
        p.drawPath(shape);
    }

    // Five stars, filled up to the rating.
    const int rating = index.data(FilmstripModel::RatingRole).toInt();
    const double starsWidth = 5 * starSize + 4 * starGap;
    const double starTop = box.bottom() + boxToStars;
    for (int i = 1; i <= 5; ++i) {
        const QRectF square(box.center().x() - starsWidth / 2 + (i - 1) * (starSize + starGap), starTop, starSize,
                            starSize);
        const QPainterPath star = starPath(square);
        if (i <= rating) {
            p.fillPath(star, starYellow);
        } else {
            p.setPen(QPen(starGrey, 0.8));
            p.setBrush(Qt::NoBrush);
            p.drawPath(star);
        }
    }

    // The file name, cut in the middle so the number and extension stay.
    const QFontMetrics metrics(nameFont_);
    const QRectF nameBox(box.left(), starTop + starSize + starsToName, box.width(), metrics.height());
    p.setFont(nameFont_);
    p.setPen(theme::secondaryText());
    const QString name = index.data(FilmstripModel::FileNameRole).toString();
    p.drawText(nameBox, Qt::AlignHCenter | Qt::AlignVCenter,
               metrics.elidedText(name, Qt::ElideMiddle, filmstrip::boxWidth));
    p.restore();
}

}  // namespace ombrel
