// Opening a photo: the 2800-pixel proxy of a 24 MP camera JPEG (what the
// preview waits for whenever the current photo changes) and its full decode.
#include "render/ImageLoader.h"
#include "render/Resample.h"

#include <benchmark/benchmark.h>
#include <turbojpeg.h>

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

fs::path testData() {
    const char* env = std::getenv("OMBREL_TESTDATA");
    return (env && *env) ? fs::path(env) : fs::path(OMBREL_DEFAULT_TESTDATA);
}

std::vector<unsigned char> readAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + file.string());
    return {std::istreambuf_iterator<char>(in), {}};
}

// A 6000 x 4000 camera-like JPEG (quality 90, 4:2:0), made once from a real
// photo scaled up, in a temporary folder removed at exit.
class LargeJpeg {
public:
    LargeJpeg() {
        const auto source = readAll(testData() / "jpeg/canon_eos_rp_MG_0633.jpg");
        tjhandle d = tjInitDecompress();
        int w = 0, h = 0, subsamp = 0, colourspace = 0;
        if (tjDecompressHeader3(d, source.data(), source.size(), &w, &h, &subsamp, &colourspace) != 0) {
            throw std::runtime_error("cannot read the source photo");
        }
        Bitmap8 photo(w, h);
        tjDecompress2(d, source.data(), source.size(), photo.data(), w, 0, h, TJPF_RGB, 0);
        tjDestroy(d);
        const Bitmap8 large = resample(photo, 6000, 4000);

        tjhandle c = tjInitCompress();
        unsigned char* jpeg = nullptr;
        unsigned long size = 0;
        if (tjCompress2(c, large.data(), 6000, 0, 4000, TJPF_RGB, &jpeg, &size, TJSAMP_420, 90, 0) != 0) {
            throw std::runtime_error("cannot encode the large photo");
        }
        tjDestroy(c);
        std::string dir = (fs::temp_directory_path() / "ombrel-bench-XXXXXX").string();
        if (!::mkdtemp(dir.data())) throw std::runtime_error("mkdtemp failed");
        dir_ = dir;
        path_ = dir_ / "large_24mp.jpg";
        std::ofstream(path_, std::ios::binary).write(reinterpret_cast<const char*>(jpeg), static_cast<long>(size));
        tjFree(jpeg);
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
