#pragma once

#include "LruCache.h"
#include "WorkQueue.h"

#include "render/PixelBuffer.h"

#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>

namespace ombrel {

// Filmstrip thumbnails of unedited photos (long side at most 320): from memory,
// else from a JPEG in the disk cache, else from the photo itself, which then
// fills both caches. At most three photos are decoded at once, at low priority,
// so thumbnails never starve the interactive preview.
class ThumbnailStore {
public:
    using Thumbnail = std::shared_ptr<const Bitmap8>;
    using Source = std::function<std::optional<Bitmap8>(const std::filesystem::path&, int maxSide)>;

    static constexpr int maxSide = 320;
    static constexpr int cacheQuality = 80;

    // The process-wide store, caching under $XDG_CACHE_HOME/Ombrel/Thumbs.
    static ThumbnailStore& shared();
    static std::filesystem::path defaultDirectory();

    // `source` makes a thumbnail from a photo file; the loader's by default.
    explicit ThumbnailStore(std::filesystem::path directory, Source source = {},
                            std::size_t memoryBudgetBytes = 192u << 20, int maxConcurrent = 3);
    ~ThumbnailStore() = default;  // finishes queued requests first
    ThumbnailStore(const ThumbnailStore&) = delete;
    ThumbnailStore& operator=(const ThumbnailStore&) = delete;

    static std::string key(const std::filesystem::path& file);
    std::filesystem::path cacheFile(const std::filesystem::path& file) const;

    // Calls `done` with the thumbnail or null: at once on this thread when it is
    // in memory, otherwise later on a worker thread.
    void request(const std::filesystem::path& file, std::function<void(Thumbnail)> done);
    std::future<Thumbnail> image(const std::filesystem::path& file);

    // The memory cache only; null on a miss.
    Thumbnail cached(const std::filesystem::path& file);
    void clearMemory() { memory_.clear(); }

private:
    Thumbnail produce(const std::filesystem::path& file, const std::string& key);

    std::filesystem::path directory_;
    Source source_;
    LruCache<Thumbnail> memory_;
    WorkQueue queue_;  // last: its threads use the members above until it is gone
};

}  // namespace ombrel
