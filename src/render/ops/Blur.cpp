// The direct kernel's two passes are compiled once per SIMD target by
// Highway and dispatched at run time (see the end of the file); the recursive
// filter is plain code, compiled once.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "render/ops/Blur.cpp"
#include "Blur.h"

#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "ForEachLane-inl.h"

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
#include "Multiversion.h"
#include "Scratch.h"

namespace ombrel::ops {

HWY_EXPORT(VerticalTaps);
HWY_EXPORT(HorizontalTaps);

namespace {

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
struct Recursive {
    std::array<float, 4> c, e, d;
};

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

// Both sweeps down the columns [x0, x1) of a `width` x `height` plane, all
// rows: each step is a whole run of columns, so the arithmetic vectorises.
OMBREL_MULTIVERSION void recursiveColumns(const Recursive& f, const float* in, float* out, int width, int height,
                                          int x0, int x1) {
    const int n = x1 - x0;
    const auto inRow = [&](int y) { return in + static_cast<std::size_t>(std::clamp(y, 0, height - 1)) * width + x0; };
    const auto outRow = [&](int y) { return out + static_cast<std::size_t>(y) * width + x0; };
    const float c0 = f.c[0], c1 = f.c[1], c2 = f.c[2], c3 = f.c[3];
    const float e0 = f.e[0], e1 = f.e[1], e2 = f.e[2], e3 = f.e[3];
    const float d0 = f.d[0], d1 = f.d[1], d2 = f.d[2], d3 = f.d[3];
    std::array<float, stripWidth> zero{};

    // Causal state into `out`.
    const auto causal = [&](int y) { return y >= 0 ? outRow(y) : zero.data(); };
    for (int y = 0; y < height; ++y) {
        const float* __restrict x = inRow(y);
        const float* __restrict x1p = inRow(y - 1);
        const float* __restrict x2p = inRow(y - 2);
        const float* __restrict x3p = inRow(y - 3);
        const float* __restrict x4p = inRow(y - 4);
        const float* __restrict z1 = causal(y - 1);
        const float* __restrict z2 = causal(y - 2);
        const float* __restrict z3 = causal(y - 3);
        const float* __restrict z4 = causal(y - 4);
        float* __restrict z = outRow(y);
        for (int i = 0; i < n; ++i) {
            const float v = x[i];
            z[i] = c0 * (x1p[i] - v) + c1 * (x2p[i] - v) + c2 * (x3p[i] - v) + c3 * (x4p[i] - v) - d0 * z1[i] -
                   d1 * z2[i] - d2 * z3[i] - d3 * z4[i];
        }
    }

    // Anticausal state in a ring of rows (the four before and the new one),
    // added into `out` as it goes.
    std::array<std::array<float, stripWidth>, 5> ring{};
    std::array<float*, 5> z{ring[0].data(), ring[1].data(), ring[2].data(), ring[3].data(), ring[4].data()};
    for (int y = height - 1; y >= 0; --y) {
        const float* __restrict x = inRow(y);
        const float* __restrict x1p = inRow(y + 1);
        const float* __restrict x2p = inRow(y + 2);
        const float* __restrict x3p = inRow(y + 3);
        const float* __restrict x4p = inRow(y + 4);
        const float* __restrict z1 = z[1];
        const float* __restrict z2 = z[2];
        const float* __restrict z3 = z[3];
        const float* __restrict z4 = z[4];
        float* __restrict zn = z[0];
        float* __restrict o = outRow(y);
        for (int i = 0; i < n; ++i) {
            const float v = x[i];
            zn[i] = e0 * (x1p[i] - v) + e1 * (x2p[i] - v) + e2 * (x3p[i] - v) + e3 * (x4p[i] - v) - d0 * z1[i] -
                    d1 * z2[i] - d2 * z3[i] - d3 * z4[i];
            o[i] = v + o[i] + zn[i];
        }
        std::rotate(z.rbegin(), z.rbegin() + 1, z.rend());  // z[0] becomes z[1], the oldest is reused
    }
}

// Down the columns of a plane, in strips of columns run in parallel.
void recursiveDown(const Recursive& f, const float* in, float* out, int width, int height) {
    const int strips = (width + stripWidth - 1) / stripWidth;
    tbb::parallel_for(0, strips, [&](int s) {
        const int x0 = s * stripWidth;
        recursiveColumns(f, in, out, width, height, x0, std::min(width, x0 + stripWidth));
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
        recursiveColumns(f, turned, filtered, bandHeight, width, 0, rows);
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
