// The row kernel is compiled once per SIMD target by Highway and dispatched
// at run time (see the end of the file).
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "render/ops/ColorBlend.cpp"
#include "ColorBlend.h"

#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "ForEachLane-inl.h"
#include "Saturation.h"

HWY_BEFORE_NAMESPACE();
namespace ombrel::ops::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

template <class D, class V>
HWY_INLINE V luma(D d, V r, V g, V b) {
    return hn::MulAdd(hn::Set(d, lumaB), b, hn::MulAdd(hn::Set(d, lumaG), g, hn::Mul(hn::Set(d, lumaR), r)));
}

// SetLum(source, Lum(background)) followed by ClipColor, with the usual gamut
// 0...1 widened to the background pixel's own range where that reaches
// beyond it: working values may exceed 1 (or fall below 0), and a highlight
// brighter than white should keep its colour rather than turn grey. The
// output may be the source or the background: each pixel is read whole
// before it is written.
void BlendRow(const float* sr, const float* sg, const float* sb, const float* br, const float* bg, const float* bb,
              float* outR, float* outG, float* outB, int n) {
    forEachLane(n, [&](auto d, int i) {
        const auto bgR = hn::LoadU(d, br + i), bgG = hn::LoadU(d, bg + i), bgB = hn::LoadU(d, bb + i);
        const auto srcR = hn::LoadU(d, sr + i), srcG = hn::LoadU(d, sg + i), srcB = hn::LoadU(d, sb + i);
        const auto lum = luma(d, bgR, bgG, bgB);
        const auto shift = hn::Sub(lum, luma(d, srcR, srcG, srcB));
        const auto r = hn::Add(srcR, shift), g = hn::Add(srcG, shift), b = hn::Add(srcB, shift);
        const auto lo = hn::Min(r, hn::Min(g, b)), hi = hn::Max(r, hn::Max(g, b));
        const auto lowest = hn::Min(hn::Zero(d), hn::Min(bgR, hn::Min(bgG, bgB)));
        const auto highest = hn::Max(hn::Set(d, 1.0f), hn::Max(bgR, hn::Max(bgG, bgB)));
        // Scale the colour toward its luminance (which stays lum) until it
        // fits; lum itself always lies within lowest...highest.
        const auto one = hn::Set(d, 1.0f), tiny = hn::Set(d, 1e-20f);
        const auto down = hn::IfThenElse(hn::Lt(lo, lowest),
                                         hn::Div(hn::Sub(lum, lowest), hn::Max(hn::Sub(lum, lo), tiny)), one);
        const auto up = hn::IfThenElse(hn::Gt(hi, highest),
                                       hn::Div(hn::Sub(highest, lum), hn::Max(hn::Sub(hi, lum), tiny)), one);
        const auto k = hn::Mul(down, up);
        hn::StoreU(hn::MulAdd(hn::Sub(r, lum), k, lum), d, outR + i);
        hn::StoreU(hn::MulAdd(hn::Sub(g, lum), k, lum), d, outG + i);
        hn::StoreU(hn::MulAdd(hn::Sub(b, lum), k, lum), d, outB + i);
    });
}

}  // namespace ombrel::ops::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
#include <tbb/parallel_for.h>

#include "Blur.h"

namespace ombrel::ops {

HWY_EXPORT(BlendRow);

PlanarImage colorBlend(const PlanarImage& source, const PlanarImage& background) {
    if (source.width() != background.width() || source.height() != background.height()) return background;
    PlanarImage out(background.width(), background.height());
    const int w = background.width();
    tbb::parallel_for(0, background.height(), [&](int y) {
        HWY_DYNAMIC_DISPATCH(BlendRow)(source.row(0, y), source.row(1, y), source.row(2, y), background.row(0, y),
                                       background.row(1, y), background.row(2, y), out.row(0, y), out.row(1, y),
                                       out.row(2, y), w);
    });
    return out;
}

void blurColor(PlanarImage& image, float sigma, int bandRows) {
    blurRows(
        image, sigma,
        [](const BlurredRow& row) {
            HWY_DYNAMIC_DISPATCH(BlendRow)(row.blurred[0], row.blurred[1], row.blurred[2], row.row[0], row.row[1],
                                           row.row[2], row.row[0], row.row[1], row.row[2], row.width);
        },
        bandRows);
}

}  // namespace ombrel::ops
#endif  // HWY_ONCE
