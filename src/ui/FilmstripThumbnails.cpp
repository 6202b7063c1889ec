#include "FilmstripThumbnails.h"

#include "FilmstripLayout.h"

#include <QMetaObject>
#include <QPainter>

#include <mutex>

namespace ombrel {

// Where the store's worker threads hand their answers in. The owner leaves
// before it is destroyed, so an answer that comes back later goes nowhere.
struct FilmstripThumbnails::Inbox {
    std::mutex mutex;
    FilmstripThumbnails* owner = nullptr;
};

namespace {

QString keyOf(const std::filesystem::path& file) { return QString::fromStdString(file.string()); }

// Cut, scaled and given the box's round corners on the thread that made the
// thumbnail, so drawing a cell is a plain copy without clipping.
QImage boxPicture(const Bitmap8& thumbnail, qreal pixelRatio) {
    const QImage whole(thumbnail.data(), thumbnail.width(), thumbnail.height(),
                       static_cast<qsizetype>(thumbnail.rowLength()), QImage::Format_RGB888);
    const auto cut = filmstrip::aspectFill(thumbnail.width(), thumbnail.height(), filmstrip::boxWidth,
                                           filmstrip::boxHeight);
    const QRect source = QRectF(cut.x, cut.y, cut.width, cut.height).toAlignedRect() & whole.rect();
    const QSize target(qRound(filmstrip::boxWidth * pixelRatio), qRound(filmstrip::boxHeight * pixelRatio));
    QImage picture = whole.copy(source)
                         .scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                         .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage mask(picture.size(), QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::transparent);
    {
        QPainter painter(&mask);
        painter.setRenderHint(QPainter::Antialiasing);
        const double r = filmstrip::cornerRadius * pixelRatio;
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::black);
        painter.drawRoundedRect(QRectF(mask.rect()), r, r);
    }
    QPainter painter(&picture);
    painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    painter.drawImage(0, 0, mask);
    painter.end();
    picture.setDevicePixelRatio(pixelRatio);
    return picture;
}

}  // namespace

FilmstripThumbnails::FilmstripThumbnails(ThumbnailStore& store, QObject* parent)
    : QObject(parent), store_(store), inbox_(std::make_shared<Inbox>()) {
    inbox_->owner = this;
}

FilmstripThumbnails::~FilmstripThumbnails() {
    std::lock_guard lock(inbox_->mutex);
    inbox_->owner = nullptr;
}

void FilmstripThumbnails::setVisible(std::vector<std::filesystem::path> files, qreal pixelRatio) {
    if (pixelRatio != pixelRatio_) {
        pixelRatio_ = pixelRatio;
        pictures_.clear();
    }
    visible_ = std::move(files);
    visibleKeys_.clear();
    for (const auto& file : visible_) visibleKeys_.insert(keyOf(file));
    pump();
}

void FilmstripThumbnails::clear() { pictures_.clear(); }

QImage FilmstripThumbnails::picture(const std::filesystem::path& file) const {
    const QImage* picture = pictures_.object(keyOf(file));
    return picture ? *picture : QImage();
}

bool FilmstripThumbnails::failed(const std::filesystem::path& file) const {
    const QImage* picture = pictures_.object(keyOf(file));
    return picture && picture->isNull();
}

bool FilmstripThumbnails::waiting() const {
    for (const QString& key : visibleKeys_) {
        if (!pictures_.contains(key)) return true;
    }
    return false;
}

// Asks for the files in view that have no picture yet, leftmost first, with
// at most `maxInFlight` questions open; answers already in the store's memory
// are taken at once.
void FilmstripThumbnails::pump() {
    for (const auto& file : visible_) {
        const QString key = keyOf(file);
        if (pictures_.contains(key) || inFlight_.contains(key)) continue;
        if (const auto thumbnail = store_.cached(file)) {
            keep(key, boxPicture(*thumbnail, pixelRatio_));
            continue;
        }
        if (static_cast<int>(inFlight_.size()) >= maxInFlight) continue;
        inFlight_.insert(key);
        store_.request(file, [inbox = inbox_, key, ratio = pixelRatio_](ThumbnailStore::Thumbnail thumbnail) {
            const QImage picture = thumbnail ? boxPicture(*thumbnail, ratio) : QImage();
            std::lock_guard lock(inbox->mutex);
            if (!inbox->owner) return;
            QMetaObject::invokeMethod(
                inbox->owner,
                [owner = inbox->owner, key, picture] { owner->receive(key, picture); },
                Qt::QueuedConnection);
        });
    }
}

void FilmstripThumbnails::receive(const QString& file, const QImage& picture) {
    inFlight_.erase(file);
    // Scrolled away meanwhile: the store keeps it in memory for a return visit.
    // Made for another screen: the next pump cuts it again from that memory.
    if (visibleKeys_.contains(file) && (picture.isNull() || picture.devicePixelRatio() == pixelRatio_))
        keep(file, picture);
    pump();
}

void FilmstripThumbnails::keep(const QString& file, const QImage& picture) {
    pictures_.insert(file, new QImage(picture));
    emit arrived(file);
}

}  // namespace ombrel
