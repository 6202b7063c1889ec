#include "AreaStatistics.h"

#include <tbb/blocked_range.h>
#include <tbb/parallel_reduce.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace ombrel::ops {

std::array<float, 4> areaAverage(const Image& image, PixelRect rect) {
    const int x0 = std::max(rect.x, 0), y0 = std::max(rect.y, 0);
    const int x1 = std::min(rect.x + std::max(rect.width, 0), image.width());
    const int y1 = std::min(rect.y + std::max(rect.height, 0), image.height());
    if (image.empty() || x0 >= x1 || y0 >= y1) return {0, 0, 0, 0};
    double sum[4] = {};
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const float* p = image.pixel(x, y);
            for (int c = 0; c < 4; ++c) sum[c] += p[c];
        }
    const double n = double(x1 - x0) * (y1 - y0);
    return {float(sum[0] / n), float(sum[1] / n), float(sum[2] / n), float(sum[3] / n)};
}

namespace {

// Counts kept as integers while summing: a float stops counting exactly at
// 2^24, fewer pixels than a large photo has.
using Counts = std::vector<std::uint64_t>;

int binOf(float v, int bins) {
    if (!(v > 0)) return 0;
    if (v >= 1) return bins - 1;
    return std::min(static_cast<int>(v * bins), bins - 1);
}

}  // namespace

std::array<std::vector<float>, 4> areaHistogram(const Image& image, int bins) {
    std::array<std::vector<float>, 4> out;
    if (bins <= 0) return out;
    for (auto& h : out) h.assign(bins, 0.0f);
    if (image.empty()) return out;
    const Counts counts = tbb::parallel_reduce(
        tbb::blocked_range<int>(0, image.height()), Counts(static_cast<std::size_t>(bins) * 4),
        [&](const tbb::blocked_range<int>& rows, Counts local) {
            for (int y = rows.begin(); y < rows.end(); ++y) {
                const float* p = image.row(y);
                for (int x = 0; x < image.width(); ++x, p += 4)
                    for (int c = 0; c < 4; ++c)
                        if (!std::isnan(p[c])) ++local[static_cast<std::size_t>(c) * bins + binOf(p[c], bins)];
            }
            return local;
        },
        [](Counts a, const Counts& b) {
            for (std::size_t i = 0; i < a.size(); ++i) a[i] += b[i];
            return a;
        });
    for (int c = 0; c < 4; ++c)
        for (int i = 0; i < bins; ++i) out[c][i] = static_cast<float>(counts[static_cast<std::size_t>(c) * bins + i]);
    return out;
}

}  // namespace ombrel::ops
