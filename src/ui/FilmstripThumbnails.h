#pragma once

#include "services/ThumbnailStore.h"

#include <QCache>
#include <QImage>
#include <QObject>
#include <QString>

#include <filesystem>
#include <memory>
#include <set>
#include <vector>

namespace ombrel {

// The thumbnails of the filmstrip's cells in view. Only files in view are
// asked for, a few at a time, so scrolling past thousands of photos never
// leaves a queue of stale decodes behind; answers for files that have left
// the view by the time they come back are dropped. Pictures are kept cut and
// scaled to the cell's box, in a small bounded cache.
class FilmstripThumbnails : public QObject {
    Q_OBJECT
public:
    // Enough to keep the store's decoders busy between two answers.
    static constexpr int maxInFlight = 4;
    static constexpr int keptPictures = 240;

    explicit FilmstripThumbnails(ThumbnailStore& store, QObject* parent = nullptr);
    ~FilmstripThumbnails() override;

    // The files now in view, left to right, and the pixel ratio to draw them at.
    void setVisible(std::vector<std::filesystem::path> files, qreal pixelRatio);
    // Forgets every picture, e.g. when another folder is opened.
    void clear();

    // The picture of a file cut to the box, or a null image while there is none.
    QImage picture(const std::filesystem::path& file) const;
    // True when the store could not make a thumbnail of the file.
    bool failed(const std::filesystem::path& file) const;
    // True while some file in view still waits for its answer.
    bool waiting() const;

signals:
    void arrived(const QString& file);

private:
    struct Inbox;

    void pump();
    void receive(const QString& file, const QImage& picture);
    void keep(const QString& file, const QImage& picture);

    ThumbnailStore& store_;
    qreal pixelRatio_ = 1;
    std::vector<std::filesystem::path> visible_;
    std::set<QString> visibleKeys_;
    std::set<QString> inFlight_;
    QCache<QString, QImage> pictures_{keptPictures};  // null: the store had none
    std::shared_ptr<Inbox> inbox_;
};

}  // namespace ombrel
