// The thumbnail disk cache holds files anyone could have replaced: a damaged
// entry must read as a miss, never as a crash. The photo's own decode is
// stubbed out, so every thumbnail delivered comes from the cache entry.
#include "FuzzFile.h"

#include "services/ThumbnailStore.h"

using namespace ombrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path photo = [] {
        const auto p = fuzz::scratchDirectory() / "photo.jpg";
        fuzz::writeFile(p, reinterpret_cast<const std::uint8_t*>("x"), 1);
        return p;
    }();
    static ThumbnailStore store(fuzz::scratchDirectory() / "cache",
                                [](const std::filesystem::path&, int) { return std::optional<Bitmap8>(); });
    fuzz::writeFile(store.cacheFile(photo), data, size);
    store.clearMemory();
    store.image(photo).get();
    return 0;
}
