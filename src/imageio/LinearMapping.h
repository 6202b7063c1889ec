#pragma once

#include "Samples.h"

#include "render/PixelBuffer.h"

#include <array>

namespace ombrel {

// How 8-bit grey or RGB samples become working-space colour when their
// colour space is a tone curve per channel and a matrix (sRGB, Adobe RGB,
// Display P3, every matrix/shaper profile): a table per stored channel, then
// a 3 × 3 matrix. The matrix is linear, so it may be applied after
// resampling the linear values.
struct LinearMapping {
    std::array<std::array<float, 256>, 3> table;  // stored value -> linear, per channel
    std::array<std::array<float, 3>, 3> matrix;   // linear device RGB -> linear sRGB
    bool identity = true;                         // the matrix can be skipped
};

LinearMapping srgbMapping();

// True for the layouts a mapping applies to: 8-bit grey or RGB, with or without alpha.
constexpr bool mappable(SampleLayout l) {
    return l == SampleLayout::Gray8 || l == SampleLayout::GrayAlpha8 || l == SampleLayout::Rgb8 ||
           l == SampleLayout::Rgba8;
}

// Linear device colour (RGB, or grey in all three) to working colour, in place.
inline void applyMatrix(const LinearMapping& m, float* rgb) {
    if (m.identity) return;
    const float r = rgb[0], g = rgb[1], b = rgb[2];
    for (int i = 0; i < 3; ++i) rgb[i] = m.matrix[i][0] * r + m.matrix[i][1] * g + m.matrix[i][2] * b;
}

// One row of stored samples to linear device colour RGBA (alpha 1 where the
// layout has none), before the matrix.
template <SampleLayout L>
void lineariseRow(const std::uint8_t* in, float* out, int width, const LinearMapping& m) {
    constexpr int n = channelCount(L);
    for (int x = 0; x < width; ++x, in += n, out += 4) {
        if constexpr (isGray(L)) {
            out[0] = out[1] = out[2] = m.table[0][in[0]];
        } else {
            out[0] = m.table[0][in[0]];
            out[1] = m.table[1][in[1]];
            out[2] = m.table[2][in[2]];
        }
        out[3] = hasAlpha(L) ? in[n - 1] / 255.0f : 1.0f;
    }
}

// The whole picture through the mapping (samples must be mappable).
Image applyMapping(const Samples& samples, const LinearMapping& mapping);

}  // namespace ombrel
