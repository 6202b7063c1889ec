#pragma once

#include "render/Graph.h"

#include <array>
#include <optional>
#include <vector>

namespace ombrel {

// Red, green, blue and luminance curves of a developed picture (256 bins of
// sRGB-encoded values, scaled for display to 0...1) and how much of it sits
// in the darkest and in the brightest bin. All four curves empty at first.
struct HistogramData {
    std::vector<float> r, g, b, l;
    float shadowClip = 0;
    float highlightClip = 0;

    bool operator==(const HistogramData&) const = default;
};

namespace Histogram {

inline constexpr int bins = 256;
inline constexpr double maxSide = 320;  // pictures are measured at most this big

// Renders the graph at most 320 pixels on its long side and measures it;
// nothing for an empty picture.
std::optional<HistogramData> compute(const Graph& graph);

// The display curves and clip fractions from raw per-channel bin counts.
HistogramData fromBins(const std::vector<float>& red, const std::vector<float>& green, const std::vector<float>& blue);

}  // namespace Histogram
}  // namespace ombrel
