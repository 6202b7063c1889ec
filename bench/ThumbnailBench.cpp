// Filmstrip thumbnails: what a cell waits for on a warm disk cache (a second
// launch of the same folder) and on a cold one (first sight of a photo).
#include "LargeJpeg.h"
#include "imageio/ImageLoader.h"
#include "services/ThumbnailStore.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

namespace {

using namespace ombrel;

std::filesystem::path sampleJpeg() { return bench::testData() / "jpeg/canon_eos_rp_MG_0633.jpg"; }

std::filesystem::path freshCacheDir() {
    const auto dir = std::filesystem::temp_directory_path() / "ombrel-thumb-bench";
    std::filesystem::remove_all(dir);
    return dir;
}

void thumbnailWarmDiskCache(benchmark::State& state) {
    ThumbnailStore store(freshCacheDir());
    const auto photo = sampleJpeg();
    if (!store.image(photo).get()) {
        state.SkipWithError("cannot make the thumbnail");
        return;
    }
    for (auto _ : state) {
        store.clearMemory();
        benchmark::DoNotOptimize(store.image(photo).get());
    }
}
BENCHMARK(thumbnailWarmDiskCache)->Unit(benchmark::kMillisecond)->UseRealTime();

void thumbnailFromPhoto(benchmark::State& state) {
    const auto photo = sampleJpeg();
    for (auto _ : state) benchmark::DoNotOptimize(ImageLoader::thumbnail(photo, ThumbnailStore::maxSide));
}
BENCHMARK(thumbnailFromPhoto)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
