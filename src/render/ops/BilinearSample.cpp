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
            const float top = p[r0 + i0] + tx * (p[r0 + i1] - p[r0 + i0]);
            const float bottom = p[r1 + i0] + tx * (p[r1 + i1] - p[r1 + i0]);
            outs[c][i] = top + ty * (bottom - top);
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
    auto fromWindow = [&](const float* plane, decltype(hn::Zero(di)) i0, decltype(hn::Zero(di)) j0,
                          decltype(hn::Zero(d))& p00, decltype(hn::Zero(d))& p01, decltype(hn::Zero(d))& p10,
                          decltype(hn::Zero(d))& p11) {
#if HWY_TARGET == HWY_AVX3 || HWY_TARGET == HWY_AVX3_DL
        if (w < 32) return false;
        const int iMin = hn::GetLane(hn::MinOfLanes(di, i0)), iMax = hn::GetLane(hn::MaxOfLanes(di, i0)) + 1;
        const int jMin = hn::GetLane(hn::MinOfLanes(di, j0)), jMax = hn::GetLane(hn::MaxOfLanes(di, j0)) + 1;
        if (iMax - iMin >= 32 || jMax - jMin > 2) return false;
        const int start = std::min(iMin, w - 32);
        const __m512i left = hn::Sub(i0, hn::Set(di, start)).raw;
        const __m512i right = _mm512_add_epi32(left, _mm512_set1_epi32(1));
        auto rowPair = [&](int row, decltype(hn::Zero(d))& a, decltype(hn::Zero(d))& b) {
            const float* at = plane + static_cast<std::size_t>(row) * w + start;
            const __m512 lo = _mm512_loadu_ps(at), hi = _mm512_loadu_ps(at + 16);
            a.raw = _mm512_permutex2var_ps(lo, left, hi);
            b.raw = _mm512_permutex2var_ps(lo, right, hi);
        };
        // Lanes on the window's first row take it as their upper row, the
        // others the second; the lower row is the next one down.
        const auto onFirst = hn::Eq(j0, hn::Set(di, jMin));
        decltype(hn::Zero(d)) a0, b0, a1, b1, a2, b2;
        rowPair(jMin, a0, b0);
        rowPair(jMin + 1, a1, b1);
        if (jMax == jMin + 2) {
            rowPair(jMin + 2, a2, b2);
        } else {
            a2 = a1;
            b2 = b1;
        }
        const auto first = hn::RebindMask(d, onFirst);
        p00 = hn::IfThenElse(first, a0, a1);
        p01 = hn::IfThenElse(first, b0, b1);
        p10 = hn::IfThenElse(first, a1, a2);
        p11 = hn::IfThenElse(first, b1, b2);
        return true;
#else
        (void)plane, (void)i0, (void)j0, (void)p00, (void)p01, (void)p10, (void)p11;
        return false;
#endif
    };

    auto sampleLanes = [&](const float* x, const float* y, float* const outs[3], int at) {
        // Max(x, 0) returns 0 for NaN, so a NaN position lands on the first pixel.
        const auto u = hn::Min(hn::Max(hn::Sub(hn::LoadU(d, x), half), zero), lastX);
        const auto v = hn::Min(hn::Max(hn::Sub(hn::LoadU(d, y), half), zero), lastY);
        const auto i0 = hn::Min(hn::ConvertTo(di, u), lastLeft), j0 = hn::Min(hn::ConvertTo(di, v), lastTop);
        const auto tx = hn::Sub(u, hn::ConvertTo(d, i0)), ty = hn::Sub(v, hn::ConvertTo(d, j0));
        const auto top = hn::Add(hn::Mul(j0, width), i0), bottom = hn::Add(top, width);
        for (int c = 0; c < 3; ++c) {
            decltype(hn::Zero(d)) p00, p01, p10, p11;
            if (!fromWindow(planes[c], i0, j0, p00, p01, p10, p11)) {
                pairs(planes[c], top, p00, p01);
                pairs(planes[c], bottom, p10, p11);
            }
            const auto upper = hn::MulAdd(tx, hn::Sub(p01, p00), p00);
            const auto lower = hn::MulAdd(tx, hn::Sub(p11, p10), p10);
            hn::StoreU(hn::MulAdd(ty, hn::Sub(lower, upper), upper), d, outs[c] + at);
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
