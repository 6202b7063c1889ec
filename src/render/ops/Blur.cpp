// The direct kernel's two passes are compiled once per SIMD target by
// Highway and dispatched at run time (see the end of the file); the recursive
// filter is plain code, compiled once.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "render/ops/Blur.cpp"
#include "Blur.h"

#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "ForEachLane-inl.h"

#include <array>

#ifndef OMBREL_BLUR_SHARED
#define OMBREL_BLUR_SHARED
namespace ombrel::ops::blur_detail {

// The recursive filter's taps (see recursiveCoefficients).
struct Recursive {
    std::array<float, 4> c, e, d;
};

}  // namespace ombrel::ops::blur_detail
#endif  // OMBREL_BLUR_SHARED

HWY_BEFORE_NAMESPACE();
namespace ombrel::ops::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// Down columns: out = kernel[0] * rows[0] + sum_k kernel[k] * (rows[-k] + rows[k]),
// k = 1 ... radius, with `rows` pointing at the centre row's entry.
void VerticalTaps(const float* const* rows, const float* kernel, int radius, float* out, int n) {
    forEachLane(n, [&](auto d, int i) {
        auto sum = hn::Mul(hn::Set(d, kernel[0]), hn::LoadU(d, rows[0] + i));
        for (int k = 1; k <= radius; ++k) {
            const auto pair = hn::Add(hn::LoadU(d, rows[-k] + i), hn::LoadU(d, rows[k] + i));
            sum = hn::MulAdd(hn::Set(d, kernel[k]), pair, sum);
        }
        hn::StoreU(sum, d, out + i);
    });
}

// Along a row, the same taps: `row` has `radius` samples readable before its
// first and after its last.
void HorizontalTaps(const float* row, const float* kernel, int radius, float* out, int n) {
    forEachLane(n, [&](auto d, int i) {
        auto sum = hn::Mul(hn::Set(d, kernel[0]), hn::LoadU(d, row + i));
        for (int k = 1; k <= radius; ++k) {
            const auto pair = hn::Add(hn::LoadU(d, row + i - k), hn::LoadU(d, row + i + k));
            sum = hn::MulAdd(hn::Set(d, kernel[k]), pair, sum);
        }
        hn::StoreU(sum, d, out + i);
    });
}

// The recursive filter down `blocks` runs of whole vectors side by side: the
// causal sweep into `out`, then the anticausal one from the bottom, added in
// with the input. The last four inputs and states of each sweep stay in
// registers; rows beyond either end repeat the edge row, whose state is 0.
template <int blocks, class D>
HWY_INLINE void sweepDown(D d, const blur_detail::Recursive& f, const float* in, std::size_t inStride, float* out,
                          std::size_t outStride, int rows) {
    using V = hn::Vec<D>;
    const std::size_t lanes = hn::Lanes(d);
    const auto inRow = [&](int y, int b) { return in + static_cast<std::size_t>(y) * inStride + b * lanes; };
    const auto outRow = [&](int y, int b) { return out + static_cast<std::size_t>(y) * outStride + b * lanes; };
    V x1[blocks], x2[blocks], x3[blocks], x4[blocks], z1[blocks], z2[blocks], z3[blocks], z4[blocks];

    const auto start = [&](int y) {
        for (int b = 0; b < blocks; ++b) {
            x1[b] = x2[b] = x3[b] = x4[b] = hn::LoadU(d, inRow(y, b));
            z1[b] = z2[b] = z3[b] = z4[b] = hn::Zero(d);
        }
    };
    // One step: the state from the last four inputs and states, which then
    // move along by one.
    const auto step = [&](int b, V v, const std::array<float, 4>& taps) {
        V z = hn::Mul(hn::Set(d, taps[0]), hn::Sub(x1[b], v));
        z = hn::MulAdd(hn::Set(d, taps[1]), hn::Sub(x2[b], v), z);
        z = hn::MulAdd(hn::Set(d, taps[2]), hn::Sub(x3[b], v), z);
        z = hn::MulAdd(hn::Set(d, taps[3]), hn::Sub(x4[b], v), z);
        z = hn::NegMulAdd(hn::Set(d, f.d[3]), z4[b], z);
        z = hn::NegMulAdd(hn::Set(d, f.d[2]), z3[b], z);
        z = hn::NegMulAdd(hn::Set(d, f.d[1]), z2[b], z);
        z = hn::NegMulAdd(hn::Set(d, f.d[0]), z1[b], z);
        x4[b] = x3[b], x3[b] = x2[b], x2[b] = x1[b], x1[b] = v;
        z4[b] = z3[b], z3[b] = z2[b], z2[b] = z1[b], z1[b] = z;
        return z;
    };

    start(0);
    for (int y = 0; y < rows; ++y)
        for (int b = 0; b < blocks; ++b) hn::StoreU(step(b, hn::LoadU(d, inRow(y, b)), f.c), d, outRow(y, b));
    start(rows - 1);
    for (int y = rows - 1; y >= 0; --y)
        for (int b = 0; b < blocks; ++b) {
            const V v = hn::LoadU(d, inRow(y, b));
            const V z = step(b, v, f.e);
            hn::StoreU(hn::Add(hn::Add(v, hn::LoadU(d, outRow(y, b))), z), d, outRow(y, b));
        }
}

// Both sweeps down `columns` columns of `rows` rows, `in` and `out` rows
// `inStride` and `outStride` apart; `out` may not alias `in`.
void RecursiveColumns(const blur_detail::Recursive& f, const float* in, std::size_t inStride, float* out,
                      std::size_t outStride, int rows, int columns) {
    const hn::ScalableTag<float> d;
    const hn::CappedTag<float, 1> d1;
    const int lanes = static_cast<int>(hn::Lanes(d));
    int x = 0;
    for (; x + 2 * lanes <= columns; x += 2 * lanes) sweepDown<2>(d, f, in + x, inStride, out + x, outStride, rows);
    for (; x + lanes <= columns; x += lanes) sweepDown<1>(d, f, in + x, inStride, out + x, outStride, rows);
    for (; x < columns; ++x) sweepDown<1>(d1, f, in + x, inStride, out + x, outStride, rows);
}

}  // namespace ombrel::ops::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
#include <tbb/parallel_for.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <vector>

#include "Bands.h"
#include "Scratch.h"

namespace ombrel::ops {

HWY_EXPORT(VerticalTaps);
HWY_EXPORT(HorizontalTaps);
HWY_EXPORT(RecursiveColumns);

namespace {

using blur_detail::Recursive;

// Below this sigma the blur changes nothing visible and is a copy.
constexpr float minSigma = 0.3f;
// From this sigma on, a recursive filter (constant cost per pixel) beats the
// direct kernel, whose cost grows with the radius.
constexpr float recursiveFromSigma = 3.0f;
// The direct kernel reaches 3 sigma, so never further than this.
constexpr int maxKernelRadius = 9;
// Columns per task in vertical passes: a strip of all rows stays in cache
// between the recursive filter's forward and backward sweeps.
constexpr int stripWidth = 64;

// ---- Direct (FIR) kernel ---------------------------------------------------

// Half a normalised Gaussian kernel: weights[0] is the centre tap, weights[k]
// the taps at distance k on either side.
struct Kernel {
    std::vector<float> weights;
    int radius;
};

Kernel halfKernel(float sigma) {
    const int radius = std::min(static_cast<int>(std::ceil(3.0f * sigma)), maxKernelRadius);
    std::vector<double> w(radius + 1);
    double sum = 0;
    for (int k = 0; k <= radius; ++k) {
        w[k] = std::exp(-0.5 * k * k / (double(sigma) * sigma));
        sum += k == 0 ? w[k] : 2 * w[k];
    }
    Kernel out{std::vector<float>(radius + 1), radius};
    for (int k = 0; k <= radius; ++k) out.weights[k] = static_cast<float>(w[k] / sum);
    return out;
}

// Row pointers for the kernel's rows around one output row: entry radius + k
// is the row k below it.
using KernelRows = std::array<const float*, 2 * maxKernelRadius + 1>;

// One output row: down the columns of `rows` into `padded` (width + 2 radius
// samples), whose ends then repeat the edge values, and along that row into
// `out`. Columns first, then rows, in every caller: the same arithmetic
// gives the same result whichever path a row takes.
void kernelRow(const Kernel& k, const KernelRows& rows, float* padded, float* out, int width) {
    const int r = k.radius;
    HWY_DYNAMIC_DISPATCH(VerticalTaps)(rows.data() + r, k.weights.data(), r, padded + r, width);
    std::fill_n(padded, r, padded[r]);
    std::fill_n(padded + r + width, r, padded[r + width - 1]);
    HWY_DYNAMIC_DISPATCH(HorizontalTaps)(padded + r, k.weights.data(), r, out, width);
}

// A whole plane into another, in parallel bands of rows.
void kernelPlane(const Kernel& k, const float* in, float* out, int width, int height) {
    const Bands bands(height, k.radius, 0);
    tbb::parallel_for(0, bands.count(), [&](int band) {
        const Scratch padded(static_cast<std::size_t>(width) + 2 * k.radius);
        KernelRows rows{};
        for (int y = bands.first(band); y < bands.end(band); ++y) {
            for (int j = -k.radius; j <= k.radius; ++j)
                rows[k.radius + j] = in + static_cast<std::size_t>(std::clamp(y + j, 0, height - 1)) * width;
            kernelRow(k, rows, padded.data(), out + static_cast<std::size_t>(y) * width, width);
        }
    });
}

// The picture in place, band by band. Blurred row y reads input rows
// y - radius ... y + radius, so the caller's finish of row y, which writes
// over it, waits until blurred row y + radius is made: the band reads the
// picture's rows as they were, and keeps only the last radius + 1 blurred
// rows, in a ring. The rows a band reads beyond its own ends come from
// copies made before any band started, as its neighbours overwrite them.
void kernelInPlace(const Kernel& k, PlanarImage& image, FinishRow finish, const void* context, int bandRows) {
    const int width = image.width(), height = image.height(), r = k.radius, ringRows = r + 1;
    const std::size_t w = static_cast<std::size_t>(width);
    const Bands bands(height, r, bandRows);
    const BoundaryRows saved(bands, width, 3);
    saved.forEachRow([&](int y) {
        for (int c = 0; c < 3; ++c) std::copy_n(image.row(c, y), width, saved.row(c, y));
    });

    tbb::parallel_for(0, bands.count(), [&](int band) {
        const int y0 = bands.first(band), y1 = bands.end(band);
        const Scratch memory(3 * ringRows * w + w + 2 * r);
        float* const ring = memory.data();
        float* const padded = ring + 3 * ringRows * w;
        const auto blurred = [&](int c, int y) { return ring + (c * ringRows + y % ringRows) * w; };
        const auto input = [&](int c, int y) -> const float* {
            return y >= y0 && y < y1 ? image.row(c, y) : saved.row(c, y);
        };
        const auto finishRow = [&](int y) {
            BlurredRow row{};
            row.width = width;
            for (int c = 0; c < 3; ++c) {
                row.blurred[c] = blurred(c, y);
                row.row[c] = image.row(c, y);
            }
            finish(context, row);
        };

        KernelRows rows{};
        for (int y = y0; y < y1; ++y) {
            for (int c = 0; c < 3; ++c) {
                for (int j = -r; j <= r; ++j) rows[r + j] = input(c, std::clamp(y + j, 0, height - 1));
                kernelRow(k, rows, padded, blurred(c, y), width);
            }
            if (y - r >= y0) finishRow(y - r);
        }
        for (int y = std::max(y0, y1 - r); y < y1; ++y) finishRow(y);
    });
}

// ---- Recursive (IIR) filter --------------------------------------------------

// Deriche's fourth-order recursive Gaussian (1993): the sum of a causal and an
// anticausal filter, each with four feedback taps, within 0.05 % of the true
// Gaussian's peak for any sigma. Written on deviations from the current
// sample: with z the filter state,
//   causal      z[n] = sum_k c[k] (x[n-k] - x[n]) - sum_k d[k] z[n-k]
//   anticausal  z[n] = sum_k e[k] (x[n+k] - x[n]) - sum_k d[k] z[n+k]
//   output      y[n] = x[n] + z_causal[n] + z_anticausal[n]      (k = 1...4)
// which equals the usual form in exact arithmetic. The usual form divides by
// 1 + sum d, near 1e-4 at large sigma, and so amplifies float rounding into
// visible drift on flat areas; here a flat signal gives z = 0 exactly, and a
// signal continued by its edge value (clamp to edge) starts from z = 0.
Recursive recursiveCoefficients(float sigma) {
    const double a0 = 1.680, a1 = 3.735, b0 = 1.783, b1 = 1.723, c0 = -0.6803, c1 = -0.2598, w0 = 0.6318, w1 = 1.997;
    const double s = sigma;
    const double cw0 = std::cos(w0 / s), sw0 = std::sin(w0 / s), cw1 = std::cos(w1 / s), sw1 = std::sin(w1 / s);
    const double eb0 = std::exp(-b0 / s), eb1 = std::exp(-b1 / s);
    // Feedforward (n) and feedback (d) taps of the causal filter; the
    // anticausal one (m) mirrors it.
    const double n[4] = {
        a0 + c0, eb1 * (c1 * sw1 - (c0 + 2 * a0) * cw1) + eb0 * (a1 * sw0 - (2 * c0 + a0) * cw0),
        2 * eb0 * eb1 * ((a0 + c0) * cw1 * cw0 - a1 * cw1 * sw0 - c1 * cw0 * sw1) + c0 * eb0 * eb0 + a0 * eb1 * eb1,
        eb1 * eb0 * eb0 * (c1 * sw1 - c0 * cw1) + eb0 * eb1 * eb1 * (a1 * sw0 - a0 * cw0)};
    const double d[4] = {-2 * eb1 * cw1 - 2 * eb0 * cw0, 4 * cw1 * cw0 * eb0 * eb1 + eb1 * eb1 + eb0 * eb0,
                         -2 * cw0 * eb0 * eb1 * eb1 - 2 * cw1 * eb1 * eb0 * eb0, eb0 * eb0 * eb1 * eb1};
    const double m[4] = {n[1] - d[0] * n[0], n[2] - d[1] * n[0], n[3] - d[2] * n[0], -d[3] * n[0]};
    const double feedback = 1 + d[0] + d[1] + d[2] + d[3];
    const double gainCausal = (n[0] + n[1] + n[2] + n[3]) / feedback;
    const double gainAnticausal = (m[0] + m[1] + m[2] + m[3]) / feedback;
    const double norm = gainCausal + gainAnticausal;  // unit gain for a flat signal
    // In deviation form: c[k] = n[k] - d[k-1] * gainCausal (k = 1..3 shifted
    // to 0..2), c[3] = -d[3] * gainCausal; likewise e from m.
    Recursive r{};
    for (int k = 0; k < 4; ++k) {
        const double nk = k < 3 ? n[k + 1] : 0.0;
        r.c[k] = static_cast<float>((nk - d[k] * gainCausal) / norm);
        r.e[k] = static_cast<float>((m[k] - d[k] * gainAnticausal) / norm);
        r.d[k] = static_cast<float>(d[k]);
    }
    return r;
}

// Down the columns of a plane, in strips of columns run in parallel.
void recursiveDown(const Recursive& f, const float* in, float* out, int width, int height) {
    const int strips = (width + stripWidth - 1) / stripWidth;
    tbb::parallel_for(0, strips, [&](int s) {
        const int x0 = s * stripWidth;
        HWY_DYNAMIC_DISPATCH(RecursiveColumns)(f, in + x0, width, out + x0, width, height,
                                               std::min(width, x0 + stripWidth) - x0);
    });
}

using V4 = float __attribute__((vector_size(16)));

V4 load4(const float* p) {
    V4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

void store4(float* p, V4 v) { std::memcpy(p, &v, sizeof v); }

// out[c * outStride + r] = in[r * inStride + c] for a rows x cols block, in
// 4 x 4 register transposes where it can.
void transposeBlock(const float* in, std::size_t inStride, float* out, std::size_t outStride, int rows, int cols) {
    const int rows4 = rows & ~3, cols4 = cols & ~3;
    for (int r = 0; r < rows4; r += 4) {
        const float* i0 = in + r * inStride;
        for (int c = 0; c < cols4; c += 4) {
            const V4 a = load4(i0 + c), b = load4(i0 + inStride + c), p = load4(i0 + 2 * inStride + c),
                     q = load4(i0 + 3 * inStride + c);
            const V4 ab0 = __builtin_shufflevector(a, b, 0, 4, 1, 5), ab1 = __builtin_shufflevector(a, b, 2, 6, 3, 7);
            const V4 pq0 = __builtin_shufflevector(p, q, 0, 4, 1, 5), pq1 = __builtin_shufflevector(p, q, 2, 6, 3, 7);
            float* o = out + c * outStride + r;
            store4(o, __builtin_shufflevector(ab0, pq0, 0, 1, 4, 5));
            store4(o + outStride, __builtin_shufflevector(ab0, pq0, 2, 3, 6, 7));
            store4(o + 2 * outStride, __builtin_shufflevector(ab1, pq1, 0, 1, 4, 5));
            store4(o + 3 * outStride, __builtin_shufflevector(ab1, pq1, 2, 3, 6, 7));
        }
    }
    for (int r = 0; r < rows; ++r)
        for (int c = r < rows4 ? cols4 : 0; c < cols; ++c) out[c * outStride + r] = in[r * inStride + c];
}

// Along the rows of a plane: bands of rows are turned into columns in a
// small buffer (cache-resident), filtered down, and turned back.
constexpr int bandHeight = 32;

void recursiveAcross(const Recursive& f, const float* in, float* out, int width, int height) {
    const int bands = (height + bandHeight - 1) / bandHeight;
    tbb::parallel_for(0, bands, [&](int band) {
        const int y0 = band * bandHeight, rows = std::min(bandHeight, height - y0);
        const std::size_t size = static_cast<std::size_t>(width) * bandHeight;
        const Scratch memory(2 * size);
        float* turned = memory.data();
        float* filtered = turned + size;
        transposeBlock(in + static_cast<std::size_t>(y0) * width, width, turned, bandHeight, rows, width);
        HWY_DYNAMIC_DISPATCH(RecursiveColumns)(f, turned, bandHeight, filtered, bandHeight, width, rows);
        transposeBlock(filtered, bandHeight, out + static_cast<std::size_t>(y0) * width, width, width, rows);
    });
}

// ---- Whole rows through the caller -------------------------------------------

// Rows handed over with the given planes (`blurred`, 3 planes of the
// picture's size) as their blur, or with themselves when there are none.
void finishRows(PlanarImage& image, const float* blurred, FinishRow finish, const void* context) {
    const std::size_t w = static_cast<std::size_t>(image.width());
    tbb::parallel_for(0, image.height(), [&](int y) {
        BlurredRow row{};
        row.width = image.width();
        for (int c = 0; c < 3; ++c) {
            row.row[c] = image.row(c, y);
            row.blurred[c] = blurred ? blurred + image.sampleCount() * c + y * w : row.row[c];
        }
        finish(context, row);
    });
}

}  // namespace

void gaussianBlurPlane(const float* in, float* out, int width, int height, float sigma) {
    const std::size_t count = static_cast<std::size_t>(width) * height;
    if (width <= 0 || height <= 0) return;
    if (!(sigma >= minSigma)) {
        std::copy_n(in, count, out);
        return;
    }
    if (sigma < recursiveFromSigma) {
        kernelPlane(halfKernel(sigma), in, out, width, height);
        return;
    }
    // Columns first into `out`, then rows in place: the row pass copies each
    // band of rows before writing it, so no intermediate plane is needed.
    const Recursive f = recursiveCoefficients(sigma);
    recursiveDown(f, in, out, width, height);
    recursiveAcross(f, out, out, width, height);
}

PlanarImage gaussianBlur(const PlanarImage& image, float sigma) {
    PlanarImage out(image.width(), image.height());
    for (int c = 0; c < 3; ++c) gaussianBlurPlane(image.plane(c), out.plane(c), image.width(), image.height(), sigma);
    return out;
}

void blurRows(PlanarImage& image, float sigma, FinishRow finish, const void* context, int bandRows) {
    if (image.empty() || image.width() <= 0 || image.height() <= 0) return;
    if (!(sigma >= minSigma)) {
        finishRows(image, nullptr, finish, context);
    } else if (sigma < recursiveFromSigma) {
        kernelInPlace(halfKernel(sigma), image, finish, context, bandRows);
    } else {
        // The recursive filter runs down whole columns: blurred planes first.
        const Scratch blurred(image.sampleCount() * 3);
        for (int c = 0; c < 3; ++c) {
            gaussianBlurPlane(image.plane(c), blurred.data() + image.sampleCount() * c, image.width(), image.height(),
                              sigma);
        }
        finishRows(image, blurred.data(), finish, context);
    }
}

}  // namespace ombrel::ops
#endif  // HWY_ONCE
