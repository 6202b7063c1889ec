// The render engine on a 24 MP photo: frames of the live preview at fit and at
// 100 %, a full-resolution render, table rebuilds and the histogram.
#include "render/Engine.h"
#include "render/LookupTables.h"
#include "render/Pipeline.h"
#include "render/Resample.h"
#include "services/Histogram.h"

#include <benchmark/benchmark.h>

#include <random>
#include <sys/resource.h>

namespace {

using namespace ombrel;

// A photo-like picture: gradients, hard edges and sensor-like noise.
std::shared_ptr<const Image> testPicture(int w, int h) {
    auto image = std::make_shared<Image>(w, h);
    std::mt19937 rng(3);
    std::normal_distribution<float> noise(0, 0.01f);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float* p = image->pixel(x, y);
            const bool tile = ((x / 97) + (y / 89)) % 3 == 0;
            p[0] = 0.04f + 0.5f * x / w + (tile ? 0.2f : 0) + noise(rng);
            p[1] = 0.06f + 0.4f * y / h + noise(rng);
            p[2] = (tile ? 0.35f : 0.08f) + noise(rng);
            p[3] = 1;
        }
    return image;
}

const std::shared_ptr<const Image>& fullImage() {
    static const auto image = testPicture(6000, 4000);
    return image;
}

const std::shared_ptr<const Image>& proxyImage() {
    static const auto image = std::make_shared<const Image>(resample(*fullImage(), 2800, 1867));
    return image;
}

EditSettings perPixelEdit() {
    EditSettings s;
    s.temperature = 8;
    s.tint = 3;
    s.exposure = 0.3;
    s.contrast = 20;
    s.highlights = -30;
    s.shadows = 25;
    s.curves.master = {{0, 0}, {0.25, 0.22}, {0.75, 0.8}, {1, 1}};
    s.hsl.sat[5] = 20;
    s.hsl.hue[1] = -10;
    s.saturation = 10;
    s.vibrance = 15;
    s.vignette = -20;
    s.crop.angle = 1.5;
    return s;
}

EditSettings everyStage() {
    EditSettings s = perPixelEdit();
    s.lumNR = 30;
    s.colorNR = 25;
    s.sharpAmount = 40;
    s.distortion = 10;
    return s;
}

void frameAtFit(benchmark::State& state, const EditSettings& settings) {
    Pipeline pipeline;
    const auto& proxy = proxyImage();
    const double scale = 2800.0 / 6000;
    for (auto _ : state) {
        const Graph g = pipeline.build(proxy, settings, scale, false, false);
        benchmark::DoNotOptimize(Engine::shared().render(g, 1600.0 / g.width(), {0, 0, 1600, 1067}));
    }
}
BENCHMARK_CAPTURE(frameAtFit, perPixelStages, perPixelEdit())->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK_CAPTURE(frameAtFit, everyStage, everyStage())->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

void frameAt100Percent(benchmark::State& state) {
    Pipeline pipeline;
    const auto settings = perPixelEdit();
    for (auto _ : state) {
        const Graph g = pipeline.build(fullImage(), settings, 1, false, false);
        benchmark::DoNotOptimize(Engine::shared().render(g, 1.0, {2200, 1400, 1600, 1067}));
    }
}
BENCHMARK(frameAt100Percent)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

void fullResolutionRender(benchmark::State& state) {
    Pipeline pipeline;
    const auto settings = everyStage();
    for (auto _ : state) {
        const Graph g = pipeline.build(fullImage(), settings, 1, false, false);
        benchmark::DoNotOptimize(Engine::shared().render(g));
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_MB"] = double(usage.ru_maxrss) / 1024;
}
BENCHMARK(fullResolutionRender)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime()->Iterations(3);

void toneTableRebuild(benchmark::State& state) {
    EditSettings s = perPixelEdit();
    for (auto _ : state) {
        s.contrast += 0.01;  // a slider drag: every build sees new inputs
        benchmark::DoNotOptimize(toneCube(toneChannels(s)));
    }
}
BENCHMARK(toneTableRebuild)->Unit(benchmark::kMillisecond);

void hslTableRebuild(benchmark::State& state) {
    HSLSettings hsl;
    for (auto _ : state) {
        hsl.sat[2] += 0.01;
        benchmark::DoNotOptimize(hslCube(hsl));
    }
}
BENCHMARK(hslTableRebuild)->Unit(benchmark::kMillisecond);

void histogramFromProxy(benchmark::State& state) {
    Pipeline pipeline;
    const Graph g = pipeline.build(proxyImage(), perPixelEdit(), 2800.0 / 6000, false, false);
    for (auto _ : state) benchmark::DoNotOptimize(Histogram::compute(g));
}
BENCHMARK(histogramFromProxy)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace
