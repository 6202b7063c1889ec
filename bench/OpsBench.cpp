// The image operations over a 1600 x 1067 frame (a preview of a typical
// photo): per-pixel operations over the three planes one row at a time, as
// the engine's fused pass runs them; neighbourhood operations over the whole
// planar frame.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "render/PlanarImage.h"
#include "render/ops/Blur.h"
#include "render/ops/ColorBlend.h"
#include "render/ops/ColorCube.h"
#include "render/ops/ColorMatrix.h"
#include "render/ops/LanczosScale.h"
#include "render/ops/NoiseReduction.h"
#include "render/ops/Saturation.h"
#include "render/ops/SrgbTransfer.h"
#include "render/ops/UnsharpMask.h"
#include "render/ops/Vignette.h"
#include "render/ops/WhiteBalance.h"

namespace {

using namespace ombrel;
using namespace ombrel::ops;

constexpr int frameWidth = 1600, frameHeight = 1067;

// A smooth colourful gradient with mild noise, in 0...1.
PlanarImage testFrame() {
    PlanarImage img(frameWidth, frameHeight);
    std::mt19937 rng(1);
    std::normal_distribution<float> noise(0.0f, 0.01f);
    for (int y = 0; y < frameHeight; ++y)
        for (int x = 0; x < frameWidth; ++x) {
            const float u = x / float(frameWidth), v = y / float(frameHeight);
            img.row(0, y)[x] = std::clamp(0.2f + 0.7f * u * v + noise(rng), 0.0f, 1.0f);
            img.row(1, y)[x] = std::clamp(0.5f + 0.4f * std::sin(6 * u) * v + noise(rng), 0.0f, 1.0f);
            img.row(2, y)[x] = std::clamp(0.8f - 0.7f * u + noise(rng), 0.0f, 1.0f);
        }
    return img;
}

const PlanarImage& frame() {
    static const PlanarImage f = testFrame();
    return f;
}

// Runs `op(r, g, b, n)` over every row of a fresh copy of the frame.
template <typename Op>
void perRow(benchmark::State& state, Op op) {
    PlanarImage img = frame();
    for (auto _ : state) {
        for (int y = 0; y < frameHeight; ++y) op(img.row(0, y), img.row(1, y), img.row(2, y), frameWidth);
        benchmark::ClobberMemory();
        state.PauseTiming();
        img = frame();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * frameWidth * frameHeight);
}

void matrix(benchmark::State& state) {
    const Mat3 m = temperatureTintMatrix({6500, 0}, {7400, 12}) * Mat3::scaling(1.4f);
    perRow(state, [&](float* r, float* g, float* b, int n) { applyMatrix(m, r, g, b, n); });
}
BENCHMARK(matrix);

void srgbEncode(benchmark::State& state) {
    perRow(state, [](float* r, float* g, float* b, int n) {
        srgbEncodeRun(r, n);
        srgbEncodeRun(g, n);
        srgbEncodeRun(b, n);
    });
}
BENCHMARK(srgbEncode);

void srgbDecode(benchmark::State& state) {
    perRow(state, [](float* r, float* g, float* b, int n) {
        srgbDecodeRun(r, n);
        srgbDecodeRun(g, n);
        srgbDecodeRun(b, n);
    });
}
BENCHMARK(srgbDecode);

ColorCube curvedCube(int n) {
    auto data = std::make_shared<std::vector<float>>();
    for (int bi = 0; bi < n; ++bi)
        for (int gi = 0; gi < n; ++gi)
            for (int ri = 0; ri < n; ++ri) {
                const float r = ri / float(n - 1), g = gi / float(n - 1), b = bi / float(n - 1);
                data->insert(data->end(), {0.8f * r + 0.2f * g * b, g * g, std::sqrt(b), 1.0f});
            }
    return {n, data};
}

void cubeTrilinear(benchmark::State& state) {
    const ColorCube cube = curvedCube(static_cast<int>(state.range(0)));
    perRow(state, [&](float* r, float* g, float* b, int n) { applyCubeTrilinear(cube, r, g, b, n); });
}
BENCHMARK(cubeTrilinear)->Arg(33)->Arg(64);

void cubeTetrahedral(benchmark::State& state) {
    const ColorCube cube = curvedCube(static_cast<int>(state.range(0)));
    perRow(state, [&](float* r, float* g, float* b, int n) { applyCubeTetrahedral(cube, r, g, b, n); });
}
BENCHMARK(cubeTetrahedral)->Arg(33)->Arg(64);

void channelTables(benchmark::State& state) {
    ChannelTables t{64, {}, {}, {}};
    for (int i = 0; i < 64; ++i) {
        const float x = i / 63.0f;
        t.red.push_back(x * x * (3 - 2 * x));
        t.green.push_back(std::sqrt(x));
        t.blue.push_back(x * x);
    }
    perRow(state, [&](float* r, float* g, float* b, int n) { applyChannelTables(t, r, g, b, n); });
}
BENCHMARK(channelTables);

void saturation(benchmark::State& state) {
    perRow(state, [](float* r, float* g, float* b, int n) { saturate(1.3f, r, g, b, n); });
}
BENCHMARK(saturation);

void vibranceRun(benchmark::State& state) {
    perRow(state, [](float* r, float* g, float* b, int n) { vibrance(0.4f, r, g, b, n); });
}
BENCHMARK(vibranceRun);

void vignette(benchmark::State& state) {
    const double diag = std::hypot(frameWidth, frameHeight);
    const VignetteParams p{frameWidth / 2.0, frameHeight / 2.0, diag * 0.5 * 0.55, 0.5, 0.6};
    std::vector<float> xs(frameWidth), ys(frameWidth);
    for (int x = 0; x < frameWidth; ++x) xs[x] = x + 0.5f;
    int y = 0;
    perRow(state, [&](float* r, float* g, float* b, int n) {
        std::fill(ys.begin(), ys.end(), (y++ % frameHeight) + 0.5f);
        applyVignette(p, xs.data(), ys.data(), r, g, b, n);
    });
}
BENCHMARK(vignette);

// Neighbourhood operations that return a new frame; the input stays as it is.
template <typename Op>
void wholeFrame(benchmark::State& state, Op op) {
    const PlanarImage& img = frame();
    for (auto _ : state) {
        PlanarImage out = op(img);
        benchmark::DoNotOptimize(out.plane(0));
    }
    state.SetItemsProcessed(state.iterations() * frameWidth * frameHeight);
}

// Neighbourhood operations that change the frame in place, as the engine
// runs them: each run gets the original frame back first, untimed.
template <typename Op>
void inPlace(benchmark::State& state, Op op) {
    PlanarImage img = frame();
    for (auto _ : state) {
        op(img);
        benchmark::DoNotOptimize(img.plane(0));
        state.PauseTiming();
        std::copy_n(frame().plane(0), frame().sampleCount() * 3, img.plane(0));
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * frameWidth * frameHeight);
}

// Sigma in tenths of a pixel.
void blur(benchmark::State& state) {
    const float sigma = state.range(0) / 10.0f;
    wholeFrame(state, [&](const PlanarImage& img) { return gaussianBlur(img, sigma); });
}
BENCHMARK(blur)->Arg(10)->Arg(25)->Arg(29)->Arg(30)->Arg(80)->Arg(200)->UseRealTime();

void colourBlend(benchmark::State& state) {
    const PlanarImage blurred = gaussianBlur(frame(), 4.0f);
    wholeFrame(state, [&](const PlanarImage& img) { return colorBlend(blurred, img); });
}
BENCHMARK(colourBlend)->UseRealTime();

// Colour noise reduction: the blend over the frame's own blur. Sigma in
// tenths; 6 is a preview's, 20 a full render's at the default strength.
void colourBlur(benchmark::State& state) {
    const float sigma = state.range(0) / 10.0f;
    inPlace(state, [&](PlanarImage& img) { blurColor(img, sigma); });
}
BENCHMARK(colourBlur)->Arg(6)->Arg(20)->Arg(40)->UseRealTime();

// Radius in tenths of a pixel; 4 is a preview's at the default radius.
void unsharp(benchmark::State& state) {
    const float radius = state.range(0) / 10.0f;
    inPlace(state, [&](PlanarImage& img) { unsharpMask(img, radius, 0.6f); });
}
BENCHMARK(unsharp)->Arg(4)->Arg(10)->Arg(30)->UseRealTime();

// Scale in hundredths: 27 is a 1600-pixel-wide preview of a 6000-pixel photo
// (window radius 1), 50 a proxy (radius 2), 100 a full render (radius 4).
void noise(benchmark::State& state) {
    const double scale = state.range(0) / 100.0;
    inPlace(state, [&](PlanarImage& img) { noiseReduction(img, 0.04f, 0.4f, scale); });
}
BENCHMARK(noise)->Arg(27)->Arg(50)->Arg(100)->UseRealTime();

// Export resizing of the interleaved frame; scale in hundredths.
void lanczos(benchmark::State& state) {
    const double scale = state.range(0) / 100.0;
    Image img(frameWidth, frameHeight);
    for (int y = 0; y < frameHeight; ++y)
        for (int x = 0; x < frameWidth; ++x)
            for (int c = 0; c < 3; ++c) img.pixel(x, y)[c] = frame().row(c, y)[x];
    for (int y = 0; y < frameHeight; ++y)
        for (int x = 0; x < frameWidth; ++x) img.pixel(x, y)[3] = 1.0f;
    for (auto _ : state) {
        Image out = lanczosScale(img, scale);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * frameWidth * frameHeight);
}
BENCHMARK(lanczos)->Arg(50)->Arg(150)->UseRealTime();

}  // namespace
