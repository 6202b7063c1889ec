#include "Resample.h"

namespace ombrel::detail {

AxisTaps triangleTaps(int srcLength, int dstLength) {
    AxisTaps taps;
    const double ratio = static_cast<double>(srcLength) / dstLength;
    const double support = std::max(ratio, 1.0);
    taps.maxCount = static_cast<int>(std::ceil(support * 2)) + 2;
    taps.start.resize(dstLength);
    taps.count.resize(dstLength);
    taps.weights.assign(static_cast<std::size_t>(dstLength) * taps.maxCount, 0.0f);

    for (int o = 0; o < dstLength; ++o) {
        const double centre = (o + 0.5) * ratio - 0.5;
        const int first = std::max(0, static_cast<int>(std::floor(centre - support)) + 1);
        const int last = std::min(srcLength - 1, static_cast<int>(std::ceil(centre + support)) - 1);
        float* w = &taps.weights[static_cast<std::size_t>(o) * taps.maxCount];
        double sum = 0;
        int n = 0;
        for (int s = first; s <= last && n < taps.maxCount; ++s, ++n) {
            const double weight = std::max(0.0, 1.0 - std::abs(s - centre) / support);
            w[n] = static_cast<float>(weight);
            sum += weight;
        }
        if (sum <= 0) {
            // Only when the filter misses every sample at an edge: take the nearest one.
            const int nearest = std::clamp(static_cast<int>(std::lround(centre)), 0, srcLength - 1);
            taps.start[o] = nearest;
            taps.count[o] = 1;
            w[0] = 1.0f;
            continue;
        }
        for (int k = 0; k < n; ++k) w[k] = static_cast<float>(w[k] / sum);
        taps.start[o] = first;
        taps.count[o] = n;
    }
    return taps;
}

}  // namespace ombrel::detail
