#include "Histogram.h"

#include "render/Engine.h"
#include "render/ops/AreaStatistics.h"
#include "render/ops/SrgbTransfer.h"

#include <algorithm>
#include <cmath>

namespace ombrel::Histogram {

HistogramData fromBins(const std::vector<float>& R, const std::vector<float>& G, const std::vector<float>& B) {
    auto sum = [](const std::vector<float>& v) {
        double s = 0;
        for (float x : v) s += x;
        return std::max(s, 1e-9);
    };
    const double sr = sum(R), sg = sum(G), sb = sum(B);

    std::vector<float> L(bins);
    for (int i = 0; i < bins; ++i) L[i] = 0.2126f * R[i] + 0.7152f * G[i] + 0.0722f * B[i];

    HistogramData data;
    data.highlightClip = static_cast<float>(std::max({R[bins - 1] / sr, G[bins - 1] / sg, B[bins - 1] / sb}));
    data.shadowClip = static_cast<float>(std::max({R[0] / sr, G[0] / sg, B[0] / sb}));

    // The peak leaves out the two bins at each end, so a clipped spike does not
    // flatten the rest of the curves.
    double peak = 0;
    for (const std::vector<float>* curve : {&R, &G, &B, static_cast<const std::vector<float>*>(&L)})
        for (int i = 2; i <= bins - 3; ++i) peak = std::max(peak, double((*curve)[i]));
    const double inverse = 1 / std::max(peak, 1e-9);

    auto scaled = [&](const std::vector<float>& v) {
        std::vector<float> out(bins);
        for (int i = 0; i < bins; ++i) out[i] = static_cast<float>(std::clamp(v[i] * inverse, 0.0, 1.0));
        return out;
    };
    data.r = scaled(R);
    data.g = scaled(G);
    data.b = scaled(B);
    data.l = scaled(L);
    return data;
}

std::optional<HistogramData> compute(const Graph& graph) {
    const double width = graph.width(), height = graph.height();
    if (!(width > 0) || !(height > 0) || !graph.source) return std::nullopt;

    const double s = std::min(maxSide / std::max(width, height), 1.0);
    const int w = std::max(1, static_cast<int>(std::lround(width * s)));
    const int h = std::max(1, static_cast<int>(std::lround(height * s)));
    Image picture = Engine::shared().render(graph, s, {0, 0, w, h});
    if (picture.empty()) return std::nullopt;

    // Measured on display-encoded values, as the eye sees the tones.
    for (int y = 0; y < picture.height(); ++y) {
        float* p = picture.row(y);
        for (int x = 0; x < picture.width(); ++x, p += 4) {
            p[0] = ops::srgbEncode(p[0]);
            p[1] = ops::srgbEncode(p[1]);
            p[2] = ops::srgbEncode(p[2]);
        }
    }
    const auto counts = ops::areaHistogram(picture, bins);
    return fromBins(counts[0], counts[1], counts[2]);
}

}  // namespace ombrel::Histogram
