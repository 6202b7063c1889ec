#include "AppModel.h"
#include "Background.h"
#include "PhotoListing.h"

#include "model/Sidecar.h"

#include <utility>

namespace ombrel {

void AppModel::open(const std::vector<std::filesystem::path>& locations) {
    PhotoListing listing = listPhotos(locations);
    if (listing.files.empty()) {
        flash(QStringLiteral("No supported photos found"));
        return;
    }

    // The previous folder's pending save is written now, never dropped.
    saveNow();
    cancelLoadTask();

    std::vector<Photo> photos;
    photos.reserve(listing.files.size());
    for (auto& file : listing.files) photos.push_back(Photo{Uuid::generate(), std::move(file), 0, Flag::none});

    setPhotos(std::move(photos));
    setFolderName(listing.folderName);
    setSelection({});
    setCurrentID(std::nullopt);
    settingsCache_.clear();
    history_.clear();
    publishUndoState();
    release(proxy_);
    release(full_);
    dropPrefetched();
    setQuickLook(nullptr);

    readSidecars(photos_);
}

// Until the sidecars are in, the photos show no rating, flag or settings, and
// none can become current: anything written in between would overwrite the
// edit stored on disk.
void AppModel::readSidecars(const std::vector<Photo>& photos) {
    if (openTask_) openTask_->cancel();
    const TaskToken token;
    openTask_ = token;

    std::vector<std::pair<Uuid, std::filesystem::path>> files;
    files.reserve(photos.size());
    for (const Photo& photo : photos) files.emplace_back(photo.id, photo.url);

    using Found = std::vector<std::pair<Uuid, Sidecar>>;
    runInBackground(
        workers_, priority::standard, this,
        [files = std::move(files)] {
            Found found;
            for (const auto& [id, file] : files) {
                if (auto sidecar = Sidecar::read(file)) found.emplace_back(id, std::move(*sidecar));
            }
            return found;
        },
        [this, token](Found found) {
            // A newer open replaced this photo list.
            if (token.cancelled()) return;
            openTask_.reset();

            std::map<Uuid, std::size_t> index;
            for (std::size_t i = 0; i < photos_.size(); ++i) index.emplace(photos_[i].id, i);
            bool changed = false;
            for (auto& [id, sidecar] : found) {
                const auto at = index.find(id);
                if (at == index.end()) continue;
                Photo& photo = photos_[at->second];
                settingsCache_[id] = std::move(sidecar.settings);
                changed = changed || photo.rating != sidecar.rating || photo.flag != sidecar.flag;
                photo.rating = sidecar.rating;
                photo.flag = sidecar.flag;
            }
            if (changed) emit photosChanged();

            if (!currentID_ && !photos_.empty()) select(photos_.front().id, false, false);
        });
}

}  // namespace ombrel
