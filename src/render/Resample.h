#pragma once

#include "PixelBuffer.h"

#include <tbb/parallel_for.h>

#include <algorithm>
#include <cmath>
#include <type_traits>
#include <vector>

namespace ombrel {

namespace detail {

// Filter taps of one output axis: for each output index, where its source run
// starts and one normalised weight per source sample.
struct AxisTaps {
    std::vector<int> start;
    std::vector<int> count;
    std::vector<float> weights;  // `maxCount` per output index
    int maxCount = 0;
};

AxisTaps triangleTaps(int srcLength, int dstLength);

template <typename T>
T storeSample(float v) {
    if constexpr (std::is_integral_v<T>) {
        return static_cast<T>(std::clamp(std::lround(v), 0L, 255L));
    } else {
        return static_cast<T>(v);
    }
}

}  // namespace detail

// Resizes to exactly `width` x `height` with a triangle filter widened by the
// reduction ratio, so that shrinking averages every source pixel (no
// aliasing) and enlarging is bilinear. Separable, parallel over rows.
template <typename T, int C>
PixelBuffer<T, C> resample(const PixelBuffer<T, C>& src, int width, int height) {
    const detail::AxisTaps hx = detail::triangleTaps(src.width(), width);
    const detail::AxisTaps vy = detail::triangleTaps(src.height(), height);

    // Horizontal pass into float rows.
    PixelBuffer<float, C> mid(width, src.height());
    tbb::parallel_for(0, src.height(), [&](int y) {
        const T* in = src.row(y);
        float* out = mid.row(y);
        for (int x = 0; x < width; ++x) {
            float acc[C] = {};
            const float* w = &hx.weights[static_cast<std::size_t>(x) * hx.maxCount];
            const T* p = in + static_cast<std::size_t>(hx.start[x]) * C;
            for (int k = 0; k < hx.count[x]; ++k, p += C) {
                for (int c = 0; c < C; ++c) acc[c] += w[k] * static_cast<float>(p[c]);
            }
            for (int c = 0; c < C; ++c) out[static_cast<std::size_t>(x) * C + c] = acc[c];
        }
    });

    // Vertical pass into the destination type.
    PixelBuffer<T, C> dst(width, height);
    const std::size_t rowLength = static_cast<std::size_t>(width) * C;
    tbb::parallel_for(0, height, [&](int y) {
        std::vector<float> acc(rowLength, 0.0f);
        const float* w = &vy.weights[static_cast<std::size_t>(y) * vy.maxCount];
        for (int k = 0; k < vy.count[y]; ++k) {
            const float* in = mid.row(vy.start[y] + k);
            const float wk = w[k];
            for (std::size_t i = 0; i < rowLength; ++i) acc[i] += wk * in[i];
        }
        T* out = dst.row(y);
        for (std::size_t i = 0; i < rowLength; ++i) out[i] = detail::storeSample<T>(acc[i]);
    });
    return dst;
}

// The size that fits `maxSide` on the longer side, keeping the aspect ratio
// (each side at least 1). Sizes already within the limit come back unchanged.
inline std::pair<int, int> fitWithin(int width, int height, double maxSide) {
    const int longer = std::max(width, height);
    if (longer <= maxSide) return {width, height};
    const double s = maxSide / longer;
    return {std::max(1, static_cast<int>(std::lround(width * s))),
            std::max(1, static_cast<int>(std::lround(height * s)))};
}

}  // namespace ombrel
