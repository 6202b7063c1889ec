// The row kernels are compiled once per SIMD target by Highway and dispatched
// at run time (see the end of the file).
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "render/ops/NoiseReduction.cpp"
#include "NoiseReduction.h"

#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "ForEachLane-inl.h"

#include "Saturation.h"

// A self-guided filter (He, Sun and Tang) on luminance encoded as sqrt(Y):
// in each window the output is a linear function a * p + b of the input
// fitted by least squares with a penalty eps on a, so windows whose variance
// is well below eps (noise) flatten to their mean while windows with strong
// edges (variance well above eps) pass almost unchanged. The square-root
// encoding spreads the noise of shadows and highlights more evenly than
// linear light does.
//
// Window sums are taken down the columns of a window's rows first, then
// along the row of column sums, which holds `r` copies of its end values on
// either side (the picture extended at its edges).

HWY_BEFORE_NAMESPACE();
namespace ombrel::ops::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// The 2r + 1 samples of `row` around i, summed.
template <class D>
HWY_INLINE hn::Vec<D> windowSum(D d, const float* row, int i, int r) {
    auto sum = hn::LoadU(d, row + i - r);
    for (int k = 1 - r; k <= r; ++k) sum = hn::Add(sum, hn::LoadU(d, row + i + k));
    return sum;
}

// p = luminance encoded as its square root, with its sign kept.
void EncodeLuminance(const float* red, const float* green, const float* blue, float* p, int n) {
    forEachLane(n, [&](auto d, int i) {
        const auto y = hn::MulAdd(hn::Set(d, lumaB), hn::LoadU(d, blue + i),
                                  hn::MulAdd(hn::Set(d, lumaG), hn::LoadU(d, green + i),
                                             hn::Mul(hn::Set(d, lumaR), hn::LoadU(d, red + i))));
        hn::StoreU(hn::CopySign(hn::Sqrt(hn::Abs(y)), y), d, p + i);
    });
}

// Column sums of p and of p^2 over `count` rows.
void SumsAndSquares(const float* const* rows, int count, float* sums, float* squares, int n) {
    forEachLane(n, [&](auto d, int i) {
        auto v = hn::LoadU(d, rows[0] + i);
        auto sum = v, square = hn::Mul(v, v);
        for (int k = 1; k < count; ++k) {
            v = hn::LoadU(d, rows[k] + i);
            sum = hn::Add(sum, v);
            square = hn::MulAdd(v, v, square);
        }
        hn::StoreU(sum, d, sums + i);
        hn::StoreU(square, d, squares + i);
    });
}

// Column sums of two quantities over `count` rows each.
void PairSums(const float* const* rowsA, const float* const* rowsB, int count, float* sumA, float* sumB, int n) {
    forEachLane(n, [&](auto d, int i) {
        auto a = hn::LoadU(d, rowsA[0] + i), b = hn::LoadU(d, rowsB[0] + i);
        for (int k = 1; k < count; ++k) {
            a = hn::Add(a, hn::LoadU(d, rowsA[k] + i));
            b = hn::Add(b, hn::LoadU(d, rowsB[k] + i));
        }
        hn::StoreU(a, d, sumA + i);
        hn::StoreU(b, d, sumB + i);
    });
}

// The least-squares fit a * p + b of each window from the column sums of p
// and p^2: mean and variance, a = variance / (variance + eps).
void Fit(const float* sums, const float* squares, int r, float norm, float eps, float* a, float* b, int n) {
    forEachLane(n, [&](auto d, int i) {
        const auto mean = hn::Mul(windowSum(d, sums, i, r), hn::Set(d, norm));
        const auto meanSquare = hn::Mul(windowSum(d, squares, i, r), hn::Set(d, norm));
        const auto variance = hn::Max(hn::NegMulAdd(mean, mean, meanSquare), hn::Zero(d));
        const auto slope = hn::Div(variance, hn::Add(variance, hn::Set(d, eps)));
        hn::StoreU(slope, d, a + i);
        hn::StoreU(hn::NegMulAdd(slope, mean, mean), d, b + i);
    });
}

// Each pixel averages the fits of the windows covering it. Edges, where the
// fits keep a near 1, get back `sharpness` of the detail the averaging took;
// flat areas (a near 0) do not. The change of luminance is added to all three
// channels alike, so the colour differences stay as they were; the result
// goes over the row.
void Restore(const float* sumA, const float* sumB, int r, float norm, float sharpness, const float* p, float* red,
             float* green, float* blue, int n) {
    forEachLane(n, [&](auto d, int i) {
        const auto ma = hn::Mul(windowSum(d, sumA, i, r), hn::Set(d, norm));
        const auto mb = hn::Mul(windowSum(d, sumB, i, r), hn::Set(d, norm));
        const auto v = hn::LoadU(d, p + i);
        const auto smooth = hn::MulAdd(ma, v, mb);
        const auto q = hn::MulAdd(hn::Mul(hn::Set(d, sharpness), ma), hn::Sub(v, smooth), smooth);
        const auto delta = hn::Sub(hn::Mul(q, hn::Abs(q)), hn::Mul(v, hn::Abs(v)));
        const auto red2 = hn::Add(hn::LoadU(d, red + i), delta);
        const auto green2 = hn::Add(hn::LoadU(d, green + i), delta);
        const auto blue2 = hn::Add(hn::LoadU(d, blue + i), delta);
        hn::StoreU(red2, d, red + i);
        hn::StoreU(green2, d, green + i);
        hn::StoreU(blue2, d, blue + i);
    });
}

}  // namespace ombrel::ops::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
#include <tbb/parallel_for.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

#include "Bands.h"
#include "Scratch.h"

namespace ombrel::ops {

HWY_EXPORT(EncodeLuminance);
HWY_EXPORT(SumsAndSquares);
HWY_EXPORT(PairSums);
HWY_EXPORT(Fit);
HWY_EXPORT(Restore);

namespace {

// The window radius at full resolution; the render's scale shrinks it.
constexpr double fullResolutionRadius = 4.0;
constexpr int maxRadius = static_cast<int>(fullResolutionRadius);  // the widest, at full resolution
// Detail at noiseLevel (linear, around mid-grey 0.18) counts as noise up to
// about this many times over: eps = (noiseFactor * noiseLevel * slope)^2.
constexpr float noiseFactor = 1.5f;
// d sqrt(Y) / dY at mid-grey, to carry the level into the encoded domain.
constexpr float midGreySlope = 1.1785113f;  // 0.5 / sqrt(0.18)

int windowRadius(double scale) {
    // Renders are never larger than full resolution; NaN counts as tiny.
    const double s = scale > 0 ? std::min(scale, 1.0) : 0.0;
    return std::max(1, static_cast<int>(std::lround(fullResolutionRadius * s)));
}

// Repeats the first and last of `width` samples r times beyond either end.
void padEnds(float* row, int width, int r) {
    std::fill_n(row - r, r, row[0]);
    std::fill_n(row + width, r, row[width - 1]);
}

using WindowRows = std::array<const float*, 2 * maxRadius + 1>;

}  // namespace

// Output row y needs the fits of rows y - r ... y + r, and each fit the
// encoded luminance p of the rows within r of it: p reaches 2r rows. Each
// band streams down its rows keeping the last 2r + 1 rows of p and of the
// fits in rings; it reads the picture's row y + 2r for p before it writes
// row y, so only the p rows beyond its own ends, which its neighbours
// overwrite, come from copies made before the bands start.
void noiseReduction(PlanarImage& image, float noiseLevel, float sharpness, double scale, int bandRows) {
    if (!(noiseLevel > 0) || image.empty()) return;
    const int width = image.width(), height = image.height();
    const int r = windowRadius(scale), ringRows = 2 * r + 1;
    const float norm = 1.0f / float(ringRows * ringRows);
    const float eps = std::pow(noiseFactor * noiseLevel * midGreySlope, 2.0f);
    const std::size_t w = static_cast<std::size_t>(width), padded = w + 2 * r;
    const auto encode = [&](int y, float* p) {
        HWY_DYNAMIC_DISPATCH(EncodeLuminance)(image.row(0, y), image.row(1, y), image.row(2, y), p, width);
    };

    const Bands bands(height, 2 * r, bandRows);
    const BoundaryRows saved(bands, width, 1);
    saved.forEachRow([&](int y) { encode(y, saved.row(0, y)); });

    tbb::parallel_for(0, bands.count(), [&](int band) {
        const int y0 = bands.first(band), y1 = bands.end(band);
        const Scratch memory(3 * ringRows * w + 2 * padded);
        float* const pRing = memory.data();
        float* const aRing = pRing + ringRows * w;
        float* const bRing = aRing + ringRows * w;
        float* const sumsA = bRing + ringRows * w + r;  // column sums, with room for the padding
        float* const sumsB = sumsA + padded;
        WindowRows pRows{};  // by row % ringRows
        const auto slot = [&](float* ring, int y) { return ring + (y % ringRows) * w; };
        const auto window = [&](int y, auto rowOf) {
            WindowRows rows{};
            for (int k = -r; k <= r; ++k) rows[k + r] = rowOf(std::clamp(y + k, 0, height - 1));
            return rows;
        };

        const auto loadP = [&](int y) {
            if (y >= y0 && y < y1) {
                float* p = slot(pRing, y);
                encode(y, p);
                pRows[y % ringRows] = p;
            } else {
                pRows[y % ringRows] = saved.row(0, y);
            }
        };
        const auto fit = [&](int y) {
            const WindowRows rows = window(y, [&](int j) { return pRows[j % ringRows]; });
            HWY_DYNAMIC_DISPATCH(SumsAndSquares)(rows.data(), ringRows, sumsA, sumsB, width);
            padEnds(sumsA, width, r);
            padEnds(sumsB, width, r);
            HWY_DYNAMIC_DISPATCH(Fit)(sumsA, sumsB, r, norm, eps, slot(aRing, y), slot(bRing, y), width);
        };
        const auto restore = [&](int y) {
            const WindowRows rowsA = window(y, [&](int j) { return slot(aRing, j); });
            const WindowRows rowsB = window(y, [&](int j) { return slot(bRing, j); });
            HWY_DYNAMIC_DISPATCH(PairSums)(rowsA.data(), rowsB.data(), ringRows, sumsA, sumsB, width);
            padEnds(sumsA, width, r);
            padEnds(sumsB, width, r);
            HWY_DYNAMIC_DISPATCH(Restore)(sumsA, sumsB, r, norm, sharpness, pRows[y % ringRows], image.row(0, y),
                                          image.row(1, y), image.row(2, y), width);
        };

        int nextP = std::max(0, y0 - 2 * r), nextFit = std::max(0, y0 - r);
        for (int y = y0; y < y1; ++y) {
            for (; nextFit <= std::min(height - 1, y + r); ++nextFit) {
                for (; nextP <= std::min(height - 1, nextFit + r); ++nextP) loadP(nextP);
                fit(nextFit);
            }
            restore(y);
        }
    });
}

}  // namespace ombrel::ops
#endif  // HWY_ONCE
