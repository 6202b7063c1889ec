#include "ColorBlend.h"

#include <tbb/parallel_for.h>

#include <algorithm>

#include "Blur.h"
#include "Multiversion.h"
#include "Saturation.h"

namespace ombrel::ops {
namespace {

float luma(float r, float g, float b) { return lumaR * r + lumaG * g + lumaB * b; }

// SetLum(source, Lum(background)) followed by ClipColor, with the usual gamut
// 0...1 widened to the background pixel's own range where that reaches
// beyond it: working values may exceed 1 (or fall below 0), and a highlight
// brighter than white should keep its colour rather than turn grey.
OMBREL_MULTIVERSION void blendRow(const float* __restrict sr, const float* __restrict sg, const float* __restrict sb,
                                  const float* __restrict br, const float* __restrict bg, const float* __restrict bb,
                                  float* __restrict outR, float* __restrict outG, float* __restrict outB, int n) {
    for (int i = 0; i < n; ++i) {
        const float lum = luma(br[i], bg[i], bb[i]);
        const float shift = lum - luma(sr[i], sg[i], sb[i]);
        const float r = sr[i] + shift, g = sg[i] + shift, b = sb[i] + shift;
        const float lo = std::min(r, std::min(g, b)), hi = std::max(r, std::max(g, b));
        const float lowest = std::min(0.0f, std::min(br[i], std::min(bg[i], bb[i])));
        const float highest = std::max(1.0f, std::max(br[i], std::max(bg[i], bb[i])));
        // Scale the colour toward its luminance (which stays lum) until it
        // fits; lum itself always lies within lowest...highest.
        const float down = lo < lowest ? (lum - lowest) / std::max(lum - lo, 1e-20f) : 1.0f;
        const float up = hi > highest ? (highest - lum) / std::max(hi - lum, 1e-20f) : 1.0f;
        const float k = down * up;
        outR[i] = lum + (r - lum) * k;
        outG[i] = lum + (g - lum) * k;
        outB[i] = lum + (b - lum) * k;
    }
}

}  // namespace

PlanarImage colorBlend(const PlanarImage& source, const PlanarImage& background) {
    if (source.width() != background.width() || source.height() != background.height()) return background;
    PlanarImage out(background.width(), background.height());
    const int w = background.width();
    tbb::parallel_for(0, background.height(), [&](int y) {
        blendRow(source.row(0, y), source.row(1, y), source.row(2, y), background.row(0, y), background.row(1, y),
                 background.row(2, y), out.row(0, y), out.row(1, y), out.row(2, y), w);
    });
    return out;
}

void blurColor(PlanarImage& image, float sigma, int bandRows) {
    blurRows(
        image, sigma,
        [](const BlurredRow& row) {
            blendRow(row.blurred[0], row.blurred[1], row.blurred[2], row.original[0], row.original[1],
                     row.original[2], row.out[0], row.out[1], row.out[2], row.width);
        },
        bandRows);
}

}  // namespace ombrel::ops
