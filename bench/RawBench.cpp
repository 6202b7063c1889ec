// RAW decoding on a 24 MP camera-like DNG written at start-up: the proxy
// load the app makes first (long side 2800), the full-resolution decode and
// the filmstrip thumbnail from the embedded preview.
#include "DngFixture.h"
#include "LargeJpeg.h"

#include "imageio/RawDecoder.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

namespace fs = std::filesystem;
using namespace ombrel;

constexpr int fixtureWidth = 6000, fixtureHeight = 4000;

// Written once per run into a fresh temp folder, removed at exit.
struct Fixture {
    fs::path dir;
    fs::path dng;
    bool ok = false;
    Fixture() {
        std::string templ = (fs::temp_directory_path() / "ombrel-raw-bench-XXXXXX").string();
        if (!::mkdtemp(templ.data())) return;
        dir = templ;
        dng = dir / "fixture.dng";
        ok = bench::writeBayerDng(bench::testData() / "jpeg/canon_eos_rp_MG_0633.jpg", dng, fixtureWidth, fixtureHeight,
                                  1024);
    }
    ~Fixture() {
        std::error_code ignored;
        if (!dir.empty()) fs::remove_all(dir, ignored);
    }
};

const Fixture& fixture() {
    static const Fixture instance;
    return instance;
}

void decodeAt(benchmark::State& state, double scale) {
    const Fixture& f = fixture();
    if (!f.ok) return state.SkipWithError("could not write the DNG fixture");
    for (auto _ : state) {
        auto result = RawDecoder::decode(f.dng, scale, {});
        if (!result) return state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(result->image.data());
    }
}

void BM_RawProxyLoad24MP(benchmark::State& state) { decodeAt(state, 2800.0 / fixtureWidth); }
void BM_RawFullDecode24MP(benchmark::State& state) { decodeAt(state, 1.0); }

void thumbnailOf(benchmark::State& state, const fs::path& file) {
    for (auto _ : state) {
        auto thumb = RawDecoder::thumbnail(file, 320);
        if (!thumb) return state.SkipWithError("no thumbnail");
        benchmark::DoNotOptimize(thumb->data());
    }
}

void BM_RawThumbnail24MP(benchmark::State& state) {
    if (!fixture().ok) return state.SkipWithError("could not write the DNG fixture");
    thumbnailOf(state, fixture().dng);
}

// A real camera file: CRW with a 640 x 480 embedded JPEG.
void BM_RawThumbnailCrw(benchmark::State& state) {
    thumbnailOf(state, bench::testData() / "raw/canon_powershot_s40_CRW_0113.crw");
}

BENCHMARK(BM_RawProxyLoad24MP)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RawFullDecode24MP)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RawThumbnail24MP)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RawThumbnailCrw)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
