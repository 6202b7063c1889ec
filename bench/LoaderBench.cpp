// Opening a photo: the 2800-pixel proxy of a 24 MP camera JPEG (what the
// preview waits for whenever the current photo changes) and its full decode.
#include "LargeJpeg.h"
#include "imageio/ImageLoader.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace ombrel;
namespace fs = std::filesystem;

// A 6000 x 4000 camera-like JPEG made once from a real photo scaled up, in a
// temporary folder removed at exit.
class LargeJpeg {
public:
    LargeJpeg() {
        std::string dir = (fs::temp_directory_path() / "ombrel-bench-XXXXXX").string();
        if (!::mkdtemp(dir.data())) throw std::runtime_error("mkdtemp failed");
        dir_ = dir;
        path_ = dir_ / "large_24mp.jpg";
        if (!bench::writeLargeJpeg(bench::testData() / "jpeg/canon_eos_rp_MG_0633.jpg", path_, 6000, 4000)) {
            throw std::runtime_error("cannot make the large photo");
        }
    }
    ~LargeJpeg() {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path dir_;
    fs::path path_;
};

const fs::path& largeJpeg() {
    static const LargeJpeg file;
    return file.path();
}

void proxyLoad(benchmark::State& state) {
    const fs::path& file = largeJpeg();
    for (auto _ : state) {
        auto loaded = ImageLoader::load(file, 2800, {}, std::nullopt);
        if (!loaded) state.SkipWithError("proxy load failed");
        benchmark::DoNotOptimize(loaded);
    }
}
BENCHMARK(proxyLoad)->Unit(benchmark::kMillisecond)->UseRealTime();

void fullLoad(benchmark::State& state) {
    const fs::path& file = largeJpeg();
    for (auto _ : state) {
        auto loaded = ImageLoader::load(file, std::nullopt, {}, std::nullopt);
        if (!loaded) state.SkipWithError("full load failed");
        benchmark::DoNotOptimize(loaded);
    }
}
BENCHMARK(fullLoad)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
