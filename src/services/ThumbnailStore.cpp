#include "ThumbnailStore.h"

#include "ThumbnailKey.h"

#include "imageio/ImageLoader.h"
#include "imageio/JpegCodec.h"
#include "model/AtomicFile.h"

#include <cstdlib>
#include <system_error>

namespace ombrel {

ThumbnailStore& ThumbnailStore::shared() {
    // Never destroyed: requests may still run while the process exits.
    static ThumbnailStore* store = new ThumbnailStore(defaultDirectory());
    return *store;
}

std::filesystem::path ThumbnailStore::defaultDirectory() {
    std::filesystem::path base;
    if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && *xdg == '/') {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        base = std::filesystem::path(home) / ".cache";
    } else {
        base = std::filesystem::temp_directory_path();
    }
    return base / "Ombrel" / "Thumbs";
}

ThumbnailStore::ThumbnailStore(std::filesystem::path directory, Source source, std::size_t memoryBudgetBytes,
                               int maxConcurrent)
    : directory_(std::move(directory)),
      source_(source ? std::move(source) : Source(ImageLoader::thumbnail)),
      memory_(memoryBudgetBytes),
      queue_(maxConcurrent, /*background=*/true) {
    std::error_code ignored;
    std::filesystem::create_directories(directory_, ignored);
}

std::string ThumbnailStore::key(const std::filesystem::path& file) { return thumbnailKey(file); }

std::filesystem::path ThumbnailStore::cacheFile(const std::filesystem::path& file) const {
    return directory_ / (key(file) + ".jpg");
}

ThumbnailStore::Thumbnail ThumbnailStore::cached(const std::filesystem::path& file) {
    return memory_.find(key(file)).value_or(nullptr);
}

void ThumbnailStore::request(const std::filesystem::path& file, std::function<void(Thumbnail)> done) {
    std::string k = key(file);
    if (auto hit = memory_.find(k)) {
        done(*hit);
        return;
    }
    queue_.post([this, file, k = std::move(k), done = std::move(done)] { done(produce(file, k)); });
}

std::future<ThumbnailStore::Thumbnail> ThumbnailStore::image(const std::filesystem::path& file) {
    auto promise = std::make_shared<std::promise<Thumbnail>>();
    auto future = promise->get_future();
    request(file, [promise](Thumbnail t) { promise->set_value(std::move(t)); });
    return future;
}

ThumbnailStore::Thumbnail ThumbnailStore::produce(const std::filesystem::path& file, const std::string& k) {
    const std::filesystem::path cachePath = directory_ / (k + ".jpg");

    std::optional<Bitmap8> picture;
    if (const auto bytes = readSmallFile(cachePath, maxDocumentBytes)) picture = decodeJpegStrict(*bytes);
    if (!picture) {
        picture = source_(file, maxSide);
        if (!picture) return nullptr;
        // A failed cache write only costs a decode next time.
        if (const auto jpeg = encodeJpeg(*picture, cacheQuality)) writeFileAtomically(cachePath, *jpeg);
    }

    auto thumbnail = std::make_shared<const Bitmap8>(std::move(*picture));
    memory_.insert(k, thumbnail, thumbnail->byteCount());
    return thumbnail;
}

}  // namespace ombrel
