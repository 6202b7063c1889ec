// Compiled once per SIMD target by Highway: each lane gathers its four
// neighbours from the three planes.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "render/ops/BilinearSample.cpp"
#include "BilinearSample.h"

#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include <algorithm>
#include <climits>
#include <cstddef>

#ifndef OMBREL_BILINEAR_SAMPLE_SHARED
#define OMBREL_BILINEAR_SAMPLE_SHARED
namespace ombrel::ops {
namespace {

// Clamping the position to the outermost pixel centres is the same as
// extending the edges; the clamps are written so a NaN lands on the first pixel.
void sampleScalar(const PlanarImage& image, const float* xs, const float* ys, float* r, float* g, float* b, int n) {
    const int w = image.width(), h = image.height();
    const float* planes[3] = {image.plane(0), image.plane(1), image.plane(2)};
    float* outs[3] = {r, g, b};
    for (int i = 0; i < n; ++i) {
        float u = xs[i] - 0.5f, v = ys[i] - 0.5f;
        u = u > 0.0f ? u : 0.0f;
        v = v > 0.0f ? v : 0.0f;
        u = u < float(w - 1) ? u : float(w - 1);
        v = v < float(h - 1) ? v : float(h - 1);
        const int i0 = static_cast<int>(u), j0 = static_cast<int>(v);
        const int i1 = std::min(i0 + 1, w - 1), j1 = std::min(j0 + 1, h - 1);
        const float tx = u - float(i0), ty = v - float(j0);
        const std::size_t r0 = std::size_t(j0) * w, r1 = std::size_t(j1) * w;
        for (int c = 0; c < 3; ++c) {
            const float* p = planes[c];
            const float top = (1.0f - tx) * p[r0 + i0] + tx * p[r0 + i1];
            const float bottom = (1.0f - tx) * p[r1 + i0] + tx * p[r1 + i1];
            outs[c][i] = (1.0f - ty) * top + ty * bottom;
        }
    }
}

}  // namespace
}  // namespace ombrel::ops
#endif  // OMBREL_BILINEAR_SAMPLE_SHARED

HWY_BEFORE_NAMESPACE();
namespace ombrel::ops::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

#if HWY_TARGET == HWY_SCALAR
void SampleBilinear(const PlanarImage& image, const float* xs, const float* ys, float* r, float* g, float* b, int n) {
    sampleScalar(image, xs, ys, r, g, b, n);
}
#else
void SampleBilinear(const PlanarImage& image, const float* xs, const float* ys, float* r, float* g, float* b, int n) {
    const hn::ScalableTag<float> d;
    const hn::RebindToSigned<decltype(d)> di;
    const int lanes = static_cast<int>(hn::Lanes(d));
    const int w = image.width(), h = image.height();
    const float* planes[3] = {image.plane(0), image.plane(1), image.plane(2)};
    const auto half = hn::Set(d, 0.5f), zero = hn::Zero(d);
    const auto lastX = hn::Set(d, float(w - 1)), lastY = hn::Set(d, float(h - 1));
    const auto lastLeft = hn::Set(di, w - 2), lastTop = hn::Set(di, h - 2);
    const auto width = hn::Set(di, w);

    // Each lane needs two pairs of horizontal neighbours: one 64-bit gather
    // fetches a pair, half the elements of gathering single floats. The left
    // neighbour stops one short of the last column (and row) so the pair
    // never reaches past the plane; the weight then becomes 1 there.
    const hn::Repartition<double, decltype(d)> dd;
    const hn::RebindToSigned<decltype(dd)> dl;
    const hn::Half<decltype(di)> dh;
    auto pairs = [&](const float* plane, decltype(hn::Zero(di)) index, decltype(hn::Zero(d))& left,
                     decltype(hn::Zero(d))& right) {
        const auto* base = reinterpret_cast<const double*>(plane);
        const auto offsets = hn::ShiftLeft<2>(index);
        const auto lo = hn::BitCast(d, hn::GatherOffset(dd, base, hn::PromoteTo(dl, hn::LowerHalf(dh, offsets))));
        const auto hi = hn::BitCast(d, hn::GatherOffset(dd, base, hn::PromoteTo(dl, hn::UpperHalf(dh, offsets))));
        left = hn::ConcatEven(d, hi, lo);
        right = hn::ConcatOdd(d, hi, lo);
    };

    // Along a row of output the positions move by about a pixel or less, so
    // the lanes of one vector usually read a window of at most 32 columns in
    // two or three rows: loading those rows and permuting lanes out of them
    // is several times cheaper than gathering. With 16 lanes only.
#if HWY_TARGET == HWY_AVX3 || HWY_TARGET == HWY_AVX3_DL
    struct Window {
        bool usable = false;
        int start = 0, firstRow = 0;
        bool threeRows = false;
        __m512i left, right;
        __mmask16 onFirstRow;
    };
    auto window = [&](decltype(hn::Zero(di)) i0, decltype(hn::Zero(di)) j0) {
        Window win;
        if (w < 32) return win;
        const int iMin = hn::GetLane(hn::MinOfLanes(di, i0)), iMax = hn::GetLane(hn::MaxOfLanes(di, i0)) + 1;
        const int jMin = hn::GetLane(hn::MinOfLanes(di, j0)), jMax = hn::GetLane(hn::MaxOfLanes(di, j0)) + 1;
        if (iMax - iMin >= 32 || jMax - jMin > 2) return win;
        win.usable = true;
        win.start = std::min(iMin, w - 32);
        win.firstRow = jMin;
        win.threeRows = jMax == jMin + 2;
        win.left = _mm512_sub_epi32(i0.raw, _mm512_set1_epi32(win.start));
        win.right = _mm512_add_epi32(win.left, _mm512_set1_epi32(1));
        win.onFirstRow = _mm512_cmpeq_epi32_mask(j0.raw, _mm512_set1_epi32(jMin));
        return win;
    };
    // Lanes on the window's first row take it as their upper row, the others
    // the second; the lower row is the next one down.
    auto fromWindow = [&](const Window& win, const float* plane, decltype(hn::Zero(d))& p00,
                          decltype(hn::Zero(d))& p01, decltype(hn::Zero(d))& p10, decltype(hn::Zero(d))& p11) {
        __m512 a[3], b[3];
        for (int k = 0; k < (win.threeRows ? 3 : 2); ++k) {
            const float* at = plane + static_cast<std::size_t>(win.firstRow + k) * w + win.start;
            const __m512 lo = _mm512_loadu_ps(at), hi = _mm512_loadu_ps(at + 16);
            a[k] = _mm512_permutex2var_ps(lo, win.left, hi);
            b[k] = _mm512_permutex2var_ps(lo, win.right, hi);
        }
        if (!win.threeRows) {
            a[2] = a[1];
            b[2] = b[1];
        }
        p00.raw = _mm512_mask_blend_ps(win.onFirstRow, a[1], a[0]);
        p01.raw = _mm512_mask_blend_ps(win.onFirstRow, b[1], b[0]);
        p10.raw = _mm512_mask_blend_ps(win.onFirstRow, a[2], a[1]);
        p11.raw = _mm512_mask_blend_ps(win.onFirstRow, b[2], b[1]);
    };
#else
    struct Window {
        bool usable = false;
    };
    auto window = [](auto, auto) { return Window{}; };
    auto fromWindow = [](const Window&, const float*, auto&, auto&, auto&, auto&) {};
#endif

    auto sampleLanes = [&](const float* x, const float* y, float* const outs[3], int at) {
        // Max(x, 0) returns 0 for NaN, so a NaN position lands on the first pixel.
        const auto u = hn::Min(hn::Max(hn::Sub(hn::LoadU(d, x), half), zero), lastX);
        const auto v = hn::Min(hn::Max(hn::Sub(hn::LoadU(d, y), half), zero), lastY);
        const auto i0 = hn::Min(hn::ConvertTo(di, u), lastLeft), j0 = hn::Min(hn::ConvertTo(di, v), lastTop);
        // Weights as (1 - t) a + t b, which gives a and b exactly at t = 0 and
        // 1: the last column and row, reached with t = 1, are read unchanged.
        const auto tx = hn::Sub(u, hn::ConvertTo(d, i0)), ty = hn::Sub(v, hn::ConvertTo(d, j0));
        const auto sx = hn::Sub(hn::Set(d, 1.0f), tx), sy = hn::Sub(hn::Set(d, 1.0f), ty);
        const auto top = hn::Add(hn::Mul(j0, width), i0), bottom = hn::Add(top, width);
        const Window win = window(i0, j0);
        for (int c = 0; c < 3; ++c) {
            decltype(hn::Zero(d)) p00, p01, p10, p11;
            if (win.usable) {
                fromWindow(win, planes[c], p00, p01, p10, p11);
            } else {
                pairs(planes[c], top, p00, p01);
                pairs(planes[c], bottom, p10, p11);
            }
            const auto upper = hn::MulAdd(tx, p01, hn::Mul(sx, p00));
            const auto lower = hn::MulAdd(tx, p11, hn::Mul(sx, p10));
            hn::StoreU(hn::MulAdd(ty, lower, hn::Mul(sy, upper)), d, outs[c] + at);
        }
    };

    float* const outs[3] = {r, g, b};
    int i = 0;
    for (; i + lanes <= n; i += lanes) sampleLanes(xs + i, ys + i, outs, i);
    if (i == n) return;
    // The last few positions go through the same arithmetic, padded to a
    // full vector, so a pixel's value never depends on where its row starts.
    constexpr std::size_t most = hn::MaxLanes(d);
    float x[most], y[most], tr[most], tg[most], tb[most];
    std::fill_n(x, most, 0.5f);
    std::fill_n(y, most, 0.5f);
    const int rest = n - i;
    for (int k = 0; k < rest; ++k) {
        x[k] = xs[i + k];
        y[k] = ys[i + k];
    }
    float* const tail[3] = {tr, tg, tb};
    sampleLanes(x, y, tail, 0);
    for (int k = 0; k < rest; ++k) {
        r[i + k] = tr[k];
        g[i + k] = tg[k];
        b[i + k] = tb[k];
    }
}
#endif

}  // namespace ombrel::ops::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace ombrel::ops {

HWY_EXPORT(SampleBilinear);

void sampleBilinear(const PlanarImage& image, const float* xs, const float* ys, float* r, float* g, float* b, int n) {
    if (image.empty() || n <= 0) return;
    // The vector code reads pairs of neighbours and addresses a plane with
    // 32-bit byte offsets.
    if (image.width() < 2 || image.height() < 2 || image.sampleCount() > static_cast<std::size_t>(INT_MAX / 4)) {
        sampleScalar(image, xs, ys, r, g, b, n);
        return;
    }
    HWY_DYNAMIC_DISPATCH(SampleBilinear)(image, xs, ys, r, g, b, n);
}

}  // namespace ombrel::ops
#endif
