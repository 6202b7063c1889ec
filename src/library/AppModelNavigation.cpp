#include "AppModel.h"

#include <algorithm>

namespace ombrel {

// The current photo never disappears from the filmstrip, whatever the filters.
bool AppModel::isVisible(const Photo& photo) const {
    if (isCurrent(photo.id)) return true;
    if (photo.rating < minRating_) return false;
    return keeps(flagFilter_, photo.flag);
}

std::vector<Photo> AppModel::visiblePhotos() const {
    std::vector<Photo> visible;
    for (const Photo& photo : photos_) {
        if (isVisible(photo)) visible.push_back(photo);
    }
    return visible;
}

std::optional<Photo> AppModel::current() const {
    if (!currentID_) return std::nullopt;
    const Photo* photo = findPhoto(*currentID_);
    return photo ? std::optional<Photo>(*photo) : std::nullopt;
}

std::vector<Uuid> AppModel::targetIDs() const {
    std::vector<Uuid> targets;
    for (const Photo& photo : photos_) {
        if (isTarget(photo.id)) targets.push_back(photo.id);
    }
    return targets;
}

void AppModel::select(const Uuid& id, bool extend, bool toggle) {
    if (openTask_ || !findPhoto(id)) return;
    const std::vector<Photo> visible = visiblePhotos();
    const auto position = [&](const Uuid& wanted) -> std::optional<std::size_t> {
        const auto it = std::find_if(visible.begin(), visible.end(), [&](const Photo& p) { return p.id == wanted; });
        if (it == visible.end()) return std::nullopt;
        return static_cast<std::size_t>(it - visible.begin());
    };

    // Range: the visible photos between the current one and the clicked one.
    if (extend && currentID_) {
        const auto a = position(*currentID_);
        const auto b = position(id);
        if (a && b) {
            PhotoIDs range;
            for (std::size_t i = std::min(*a, *b); i <= std::max(*a, *b); ++i) range.insert(visible[i].id);
            setSelection(range);
            return;
        }
    }

    // Toggle: the current photo always stays selected, and stays current.
    if (toggle) {
        PhotoIDs toggled = selection_;
        if (!toggled.contains(id)) {
            toggled.insert(id);
        } else if (!isCurrent(id)) {
            toggled.erase(id);
        }
        setSelection(toggled);
        if (currentID_) return;
    }

    if (isCurrent(id)) {
        if (!toggle) setSelection({id});
        return;
    }

    saveNow();
    // Kept for a step back; the full-size image is not worth its memory.
    if (currentID_ && proxy_) keepProxy(*currentID_, loadedRaw_, std::move(*proxy_));
    proxy_.reset();
    lastStep_ = stepping_;
    setCurrentID(id);
    if (!toggle) setSelection({id});
    const auto cached = settingsCache_.find(id);
    edit_.setSettings(cached != settingsCache_.end() ? cached->second : EditSettings{});
    lastEdit_.interrupt();

    view_.setZoom(1.0);
    view_.setPan({0, 0});
    view_.setZoomLabel(QStringLiteral("Fit"));
    view_.bumpTick();
    view_.setCropEditing(false);
    view_.setEyedropper(false);

    loadCurrent();
}

void AppModel::step(int delta) {
    if (!currentID_) return;
    const std::vector<Photo> visible = visiblePhotos();
    const auto it = std::find_if(visible.begin(), visible.end(), [&](const Photo& p) { return isCurrent(p.id); });
    if (it == visible.end()) return;
    const auto target = (it - visible.begin()) + static_cast<std::ptrdiff_t>(delta);
    if (target < 0 || target >= static_cast<std::ptrdiff_t>(visible.size())) return;
    stepping_ = delta > 0 ? 1 : -1;
    select(visible[static_cast<std::size_t>(target)].id, false, false);
    stepping_ = 0;
}

bool AppModel::isTarget(const Uuid& id) const { return isCurrent(id) || selection_.contains(id); }

// Ratings and flags are saved at once, without the debounce of edits.
void AppModel::setRating(int rating) {
    if (openTask_) return;
    bool changed = false;
    for (Photo& photo : photos_) {
        if (!isTarget(photo.id)) continue;
        changed = changed || photo.rating != rating;
        photo.rating = rating;
        writeSidecarOf(photo);
    }
    if (changed) emit photosChanged();
}

// A mixed set first gets the flag everywhere; once all have it, it is cleared.
void AppModel::toggleFlag(Flag flag) {
    if (openTask_) return;
    bool anyTarget = false;
    bool allHaveIt = true;
    for (const Photo& photo : photos_) {
        if (!isTarget(photo.id)) continue;
        anyTarget = true;
        allHaveIt = allHaveIt && photo.flag == flag;
    }
    if (!anyTarget) return;
    const Flag newFlag = allHaveIt ? Flag::none : flag;
    bool changed = false;
    for (Photo& photo : photos_) {
        if (!isTarget(photo.id)) continue;
        changed = changed || photo.flag != newFlag;
        photo.flag = newFlag;
        writeSidecarOf(photo);
    }
    if (changed) emit photosChanged();
}

}  // namespace ombrel
