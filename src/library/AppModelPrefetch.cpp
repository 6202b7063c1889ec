// Before any Qt header: Qt defines `emit` as a macro, which oneTBB uses as a name.
#include <tbb/task_arena.h>

#include "AppModel.h"
#include "Background.h"

#include <QFile>

#include <algorithm>

namespace ombrel {

// Stepping through a folder at a reading pace should show the sharp,
// editable picture at once: the neighbour in the direction of the last step
// is decoded ahead, on an idle-priority thread so it never slows the photo
// on screen, and the photo stepped away from is kept for a step back.

void AppModel::setQuickLook(std::shared_ptr<const Bitmap8> picture) {
    if (picture == quickLook_) return;
    quickLook_ = std::move(picture);
    emit quickLookChanged();
}

void AppModel::loadQuickLook(const Uuid& id, const std::filesystem::path& file) {
    if (quickTask_) quickTask_->cancel();
    if (!services_.quickLook) return;
    const TaskToken token;
    quickTask_ = token;
    runInBackground(
        workers_, priority::userInitiated, this,
        [look = services_.quickLook, file]() -> std::shared_ptr<const Bitmap8> {
            std::optional<Bitmap8> picture = look(file);
            return picture ? std::make_shared<const Bitmap8>(std::move(*picture)) : nullptr;
        },
        [this, token, id](std::shared_ptr<const Bitmap8> picture) {
            if (picture && !token.cancelled() && isCurrent(id) && !proxy_) setQuickLook(std::move(picture));
        });
}

// Called on the decoding thread; the look is shown on the main thread unless
// the photo changed or its proxy got there first.
ModelServices::QuickLookSink AppModel::quickLookSink(const Uuid& id, const TaskToken& token) {
    return [this, id, token](Bitmap8 look) {
        auto picture = std::make_shared<const Bitmap8>(std::move(look));
        QMetaObject::invokeMethod(
            this,
            [this, id, token, picture = std::move(picture)]() mutable {
                if (!token.cancelled() && isCurrent(id) && !proxy_) setQuickLook(std::move(picture));
            },
            Qt::QueuedConnection);
    };
}

void AppModel::release(std::optional<LoadedImage>& image) {
    if (!image) return;
    workers_.start([gone = std::move(*image)] {}, priority::utility);
    image.reset();
}

void AppModel::keepProxy(const Uuid& id, const RawOptions& raw, LoadedImage image) {
    std::erase_if(keptProxies_, [&](const KeptProxy& k) { return k.id == id; });
    keptProxies_.push_front({id, raw, std::move(image)});
    while (keptProxies_.size() > keptProxyLimit) {
        std::optional<LoadedImage> oldest = std::move(keptProxies_.back().image);
        release(oldest);
        keptProxies_.pop_back();
    }
}

std::optional<LoadedImage> AppModel::takeKeptProxy(const Uuid& id, const RawOptions& raw) {
    const auto it = std::find_if(keptProxies_.begin(), keptProxies_.end(),
                                 [&](const KeptProxy& k) { return k.id == id && k.raw == raw; });
    if (it == keptProxies_.end()) return std::nullopt;
    LoadedImage image = std::move(it->image);
    keptProxies_.erase(it);
    return image;
}

void AppModel::dropPrefetched() {
    for (KeptProxy& kept : keptProxies_) {
        std::optional<LoadedImage> image = std::move(kept.image);
        release(image);
    }
    keptProxies_.clear();
    if (prefetch_) prefetch_->token.cancel();
    prefetch_.reset();
}

void AppModel::warmUp(const LoadedImage& image, const EditSettings& settings) {
    if (!proxyWarmer_) return;
    prefetchPool_.start([warm = proxyWarmer_, image, settings] {
        tbb::task_arena alone(1);
        try {
            alone.execute([&] { warm(image, settings); });
        } catch (...) {
            // A warm-up that fails only loses the photo its head start.
        }
    });
}

void AppModel::prefetchNext() {
    if (!currentID_ || !services_.load || lastStep_ == 0) return;
    const std::vector<Photo> visible = visiblePhotos();
    const auto it = std::find_if(visible.begin(), visible.end(), [&](const Photo& p) { return isCurrent(p.id); });
    if (it == visible.end()) return;
    const auto next = (it - visible.begin()) + lastStep_;
    if (next < 0 || next >= static_cast<std::ptrdiff_t>(visible.size())) return;
    const Photo& photo = visible[static_cast<std::size_t>(next)];
    const RawOptions raw = presentSettings(photo.id).raw;
    if (std::any_of(keptProxies_.begin(), keptProxies_.end(),
                    [&](const KeptProxy& k) { return k.id == photo.id && k.raw == raw; }))
        return;
    if (prefetch_ && prefetch_->id == photo.id && prefetch_->raw == raw) return;
    // A decode ahead cannot be stopped; its result is simply not wanted.
    if (prefetch_) prefetch_->token.cancel();

    const TaskToken token;
    prefetch_ = Prefetch{photo.id, raw, token};
    runInBackground(
        prefetchPool_, priority::utility, this,
        [load = services_.load, file = photo.url, raw, sink = quickLookSink(photo.id, token)] {
            // Its parallel parts stay on this idle thread instead of taking
            // the cores' shared workers from the photo on screen.
            tbb::task_arena alone(1);
            return alone.execute([&] { return load(file, proxyMaxSide, raw, std::nullopt, sink); });
        },
        [this, token, id = photo.id, raw, name = QFile::decodeName(photo.url.filename().c_str())](
            std::optional<LoadedImage> image) {
            if (prefetch_ && prefetch_->token == token) prefetch_.reset();
            if (token.cancelled()) return;
            if (isCurrent(id) && !proxy_) {
                // The user got there first and is waiting for this decode.
                proxyArrived(id, raw, std::move(image), name);
            } else if (image) {
                warmUp(*image, presentSettings(id));
                keepProxy(id, raw, std::move(*image));
            }
        });
}

}  // namespace ombrel
