#include "LanczosScale.h"

#include <tbb/parallel_for.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

namespace ombrel::ops {
namespace {

constexpr int lobes = 3;

double sinc(double x) {
    if (x == 0) return 1;
    const double px = std::numbers::pi * x;
    return std::sin(px) / px;
}

double lanczos(double x) { return std::abs(x) < lobes ? sinc(x) * sinc(x / lobes) : 0.0; }

// For each output index: `count` source indices (clamped to the picture, so
// the picture's edges extend outward) with normalised weights.
struct Taps {
    int count = 0;
    std::vector<int> index;
    std::vector<float> weight;
};

Taps lanczosTaps(int srcLength, int dstLength) {
    const double ratio = static_cast<double>(srcLength) / dstLength;
    // Shrinking widens the kernel by the ratio: it then low-passes below the
    // new sampling rate instead of aliasing.
    const double stretch = std::max(1.0, ratio);
    const double support = lobes * stretch;
    Taps taps;
    taps.count = static_cast<int>(std::ceil(2 * support)) + 1;
    taps.index.resize(static_cast<std::size_t>(dstLength) * taps.count);
    taps.weight.resize(taps.index.size());
    for (int o = 0; o < dstLength; ++o) {
        const double centre = (o + 0.5) * ratio - 0.5;
        const int first = static_cast<int>(std::floor(centre - support)) + 1;
        std::vector<double> w(taps.count);
        double sum = 0;
        for (int k = 0; k < taps.count; ++k) {
            w[k] = lanczos((first + k - centre) / stretch);
            sum += w[k];
        }
        for (int k = 0; k < taps.count; ++k) {
            const std::size_t at = static_cast<std::size_t>(o) * taps.count + k;
            taps.index[at] = std::clamp(first + k, 0, srcLength - 1);
            taps.weight[at] = static_cast<float>(w[k] / sum);
        }
    }
    return taps;
}

// One RGBA pixel in a 128-bit register.
using V4 = float __attribute__((vector_size(16)));

V4 load4(const float* p) {
    V4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Along rows: each output pixel is a weighted sum of whole source pixels.
Image scaleRows(const Image& src, int width) {
    const Taps taps = lanczosTaps(src.width(), width);
    Image out(width, src.height());
    tbb::parallel_for(0, src.height(), [&](int y) {
        const float* in = src.row(y);
        float* dst = out.row(y);
        for (int x = 0; x < width; ++x) {
            const int* index = &taps.index[static_cast<std::size_t>(x) * taps.count];
            const float* weight = &taps.weight[static_cast<std::size_t>(x) * taps.count];
            V4 acc{0, 0, 0, 0};
            for (int k = 0; k < taps.count; ++k) acc += weight[k] * load4(in + static_cast<std::size_t>(index[k]) * 4);
            std::memcpy(dst + static_cast<std::size_t>(x) * 4, &acc, sizeof acc);
        }
    });
    return out;
}

// Down columns: each output row is a weighted sum of whole source rows, so the
// inner loop runs along contiguous rows and vectorises.
Image scaleColumns(const Image& src, int height) {
    const Taps taps = lanczosTaps(src.height(), height);
    Image out(src.width(), height);
    const std::size_t length = src.rowLength();
    tbb::parallel_for(0, height, [&](int y) {
        float* __restrict dst = out.row(y);
        std::fill_n(dst, length, 0.0f);
        for (int k = 0; k < taps.count; ++k) {
            const std::size_t at = static_cast<std::size_t>(y) * taps.count + k;
            const float w = taps.weight[at];
            const float* __restrict in = src.row(taps.index[at]);
            for (std::size_t i = 0; i < length; ++i) dst[i] += w * in[i];
        }
    });
    return out;
}

}  // namespace

Image lanczosScale(const Image& image, double scale) {
    if (image.empty() || !(scale > 0) || !std::isfinite(scale)) return image;
    const int width = std::max(1, static_cast<int>(std::lround(image.width() * scale)));
    const int height = std::max(1, static_cast<int>(std::lround(image.height() * scale)));
    return scaleColumns(scaleRows(image, width), height);
}

}  // namespace ombrel::ops
