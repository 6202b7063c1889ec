#include "AppModel.h"
#include "Background.h"

#include <QFile>

namespace ombrel {

void AppModel::cancelLoadTask() {
    reloadTimer_.stop();
    if (loadTask_) loadTask_->cancel();
}

// A different photo became current: its proxy comes from the photos kept
// nearby, from a decode ahead already under way, or is decoded afresh; until
// it is there its quick look is shown.
void AppModel::loadCurrent() {
    const Photo* photo = currentID_ ? findPhoto(*currentID_) : nullptr;
    if (!photo) return;
    const Uuid id = photo->id;
    const std::filesystem::path file = photo->url;
    const RawOptions raw = edit_.settings().raw;

    cancelLoadTask();
    // The handle stays until that decode ends, so a new full-size request
    // waits for it rather than decoding twice at once.
    if (fullTask_) fullTask_->cancel();
    release(full_);
    fullFailed_ = false;
    release(proxy_);
    setQuickLook(nullptr);
    edit_.setExif({});

    runInBackground(
        workers_, priority::standard, this, [read = services_.readMetadata, file] { return read(file); },
        [this, id](MetadataLines lines) {
            if (isCurrent(id)) edit_.setExif(std::move(lines));
        });

    const QString name = QFile::decodeName(file.filename().c_str());
    if (std::optional<LoadedImage> kept = takeKeptProxy(id, raw)) {
        proxyArrived(id, raw, std::move(kept), name);
        return;
    }
    setLoading(true);
    loadQuickLook(id, file);
    // The decode ahead hands its result over when it ends (proxyArrived).
    if (prefetch_ && prefetch_->id == id && prefetch_->raw == raw) return;

    const TaskToken token;
    loadTask_ = token;
    runInBackground(
        workers_, priority::userInitiated, this,
        [load = services_.load, file, raw, sink = quickLookSink(id, token)] {
            return load(file, proxyMaxSide, raw, std::nullopt, sink);
        },
        [this, token, id, raw, name](std::optional<LoadedImage> image) {
            if (token.cancelled()) return;
            proxyArrived(id, raw, std::move(image), name);
        });
}

void AppModel::proxyArrived(const Uuid& id, const RawOptions& raw, std::optional<LoadedImage> image,
                            const QString& name) {
    if (!isCurrent(id) || proxy_) return;
    setLoading(false);
    if (!image) {
        flash(QStringLiteral("Could not open ") + name);
        return;
    }
    proxy_ = std::move(image);
    loadedRaw_ = raw;
    if (proxy_->rawDefaults) edit_.setRawDefaults(*proxy_->rawDefaults);
    setQuickLook(nullptr);
    view_.bumpTick();
    // Measured at once, it would take half the cores from the photo's first frame.
    scheduleHistogram(true);
    prefetchNext();
}

// The RAW options changed: decode again once they have stopped changing.
void AppModel::scheduleReload() {
    cancelLoadTask();
    if (fullTask_) {
        fullTask_->cancel();
        fullTask_.reset();
    }
    reloadFor_ = currentID_;
    loadTask_ = TaskToken{};
    reloadTimer_.start();
}

void AppModel::reloadIfStillCurrent() {
    if (loadTask_ && !loadTask_->cancelled() && currentID_ == reloadFor_) loadCurrentKeepingView();
}

// The shown proxy stays on screen, rendered with the new settings, until the
// re-decoded one replaces it.
void AppModel::loadCurrentKeepingView() {
    const Photo* photo = currentID_ ? findPhoto(*currentID_) : nullptr;
    if (!photo) return;
    const Uuid id = photo->id;
    const std::filesystem::path file = photo->url;
    const RawOptions raw = edit_.settings().raw;

    release(full_);
    fullFailed_ = false;
    setLoading(true);

    const TaskToken token;
    loadTask_ = token;
    runInBackground(
        workers_, priority::userInitiated, this,
        [load = services_.load, file, raw] { return load(file, proxyMaxSide, raw, std::nullopt, {}); },
        [this, token, id, raw](std::optional<LoadedImage> image) {
            if (token.cancelled() || !isCurrent(id)) return;
            setLoading(false);
            if (image) {
                release(proxy_);
                proxy_ = std::move(image);
                loadedRaw_ = raw;
            }
            view_.bumpTick();
            scheduleHistogram();
        });
}

void AppModel::requestFull() {
    if (!proxy_ || proxy_->scale >= fullDecodeBelowScale || full_ || fullTask_ || fullFailed_ || !currentID_) return;
    const Photo* photo = findPhoto(*currentID_);
    if (!photo) return;
    const Uuid id = photo->id;
    const std::filesystem::path file = photo->url;
    const RawOptions raw = loadedRaw_;
    const PixelSize fullSize = proxy_->fullSize;

    const TaskToken token;
    fullTask_ = token;
    runInBackground(
        workers_, priority::userInitiated, this,
        [load = services_.load, file, raw, fullSize] { return load(file, std::nullopt, raw, fullSize, {}); },
        [this, token, id, raw, name = QFile::decodeName(file.filename().c_str())](std::optional<LoadedImage> image) {
            // Only this decode's own handle is cleared: a superseded decode
            // that ends late must not release a newer one's.
            if (fullTask_ == token) fullTask_.reset();
            if (token.cancelled() || !isCurrent(id) || loadedRaw_ != raw) return;
            if (!image) {
                // Deleted or replaced since the proxy was read: say so once
                // instead of trying again with every frame.
                fullFailed_ = true;
                flash(QStringLiteral("Could not open ") + name);
                return;
            }
            full_ = std::move(image);
            view_.bumpTick();
        });
}

void AppModel::scheduleHistogram(bool newPhoto) {
    if (histTask_) histTask_->cancel();
    histTask_ = TaskToken{};
    histTimer_.start(newPhoto ? timings_.newPhotoHistogram : timings_.histogram);
}

void AppModel::measureHistogram() {
    if (!histTask_ || !proxy_) return;
    const TaskToken token = *histTask_;
    runInBackground(
        workers_, priority::utility, this,
        [measure = services_.histogram, proxy = *proxy_, settings = edit_.settings()] {
            return measure(proxy, settings);
        },
        [this, token](std::optional<HistogramData> data) {
            if (data && !token.cancelled()) histogram_.setData(std::move(*data));
        });
}

}  // namespace ombrel
