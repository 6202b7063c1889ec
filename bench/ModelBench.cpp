// The edit model's hot spots: building and sampling a tone curve (done for
// every tone-table rebuild while a slider moves) and the sidecar round trip
// (done for every photo when a folder opens).
#include "model/BuiltInPresets.h"
#include "model/Curve.h"
#include "model/Sidecar.h"

#include <benchmark/benchmark.h>

namespace {

using namespace ombrel;

void curveTable(benchmark::State& state) {
    const CurvePoints points{{0, 0.05}, {0.25, 0.21}, {0.5, 0.5}, {0.75, 0.8}, {1, 0.97}};
    const int entries = static_cast<int>(state.range(0));
    for (auto _ : state) {
        const Curve curve(points);
        double sum = 0;
        for (int i = 0; i < entries; ++i) sum += curve.eval(i / double(entries - 1));
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * entries);
}
BENCHMARK(curveTable)->Arg(256)->Arg(4096);

Sidecar sampleSidecar() {
    return {1, BuiltInPresets::all()[4].settings, 3, Flag::pick};
}

void sidecarEncode(benchmark::State& state) {
    const Sidecar sidecar = sampleSidecar();
    for (auto _ : state) benchmark::DoNotOptimize(Sidecar::encode(sidecar));
}
BENCHMARK(sidecarEncode);

void sidecarDecode(benchmark::State& state) {
    const std::string text = *Sidecar::encode(sampleSidecar());
    for (auto _ : state) benchmark::DoNotOptimize(Sidecar::decode(text));
}
BENCHMARK(sidecarDecode);

}  // namespace
