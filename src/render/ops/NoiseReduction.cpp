#include "NoiseReduction.h"

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "Multiversion.h"
#include "Saturation.h"

namespace ombrel::ops {
namespace {

// A self-guided filter (He, Sun and Tang) on luminance encoded as sqrt(Y):
// in each window the output is a linear function a * p + b of the input
// fitted by least squares with a penalty eps on a, so windows whose variance
// is well below eps (noise) flatten to their mean while windows with strong
// edges (variance well above eps) pass almost unchanged. The square-root
// encoding spreads the noise of shadows and highlights more evenly than
// linear light does.

// The window radius at full resolution; the render's scale shrinks it.
constexpr double fullResolutionRadius = 4.0;
// Detail at noiseLevel (linear, around mid-grey 0.18) counts as noise up to
// about this many times over: eps = (noiseFactor * noiseLevel * slope)^2.
constexpr float noiseFactor = 1.5f;
// d sqrt(Y) / dY at mid-grey, to carry the level into the encoded domain.
constexpr float midGreySlope = 1.1785113f;  // 0.5 / sqrt(0.18)

// Output rows per task; each also computes up to 4r rows of margin.
constexpr int bandRows = 32;

int windowRadius(double scale) {
    // Renders are never larger than full resolution; NaN counts as tiny.
    const double s = scale > 0 ? std::min(scale, 1.0) : 0.0;
    return std::max(1, static_cast<int>(std::lround(fullResolutionRadius * s)));
}

float encode(float y) { return std::copysign(std::sqrt(std::abs(y)), y); }

// Sums of 2r + 1 neighbours along a row with the edge values repeated:
// `padded` holds the row with r copies of its end values on each side.
OMBREL_MULTIVERSION void boxRow(const float* __restrict padded, float* __restrict out, int width, int r) {
    for (int x = 0; x < width; ++x) out[x] = padded[x];
    for (int k = 1; k <= 2 * r; ++k)
        for (int x = 0; x < width; ++x) out[x] += padded[x + k];
}

void pad(const float* row, float* padded, int width, int r) {
    std::fill_n(padded, r, row[0]);
    std::copy_n(row, width, padded + r);
    std::fill_n(padded + r + width, r, row[width - 1]);
}

// Running sums down the columns over 2r + 1 rows, the rows beyond the
// picture's edges repeating its first and last: two row operations per output
// row, whatever the radius. The rows live in a band buffer whose first row is
// picture row `first`.
class ColumnSums {
public:
    ColumnSums(const float* band, int first, int width, int height, int r)
        : band_(band), first_(first), width_(width), height_(height), r_(r), sums_(width) {}

    // Sums for the window centred on row y.
    void start(int y) {
        std::fill(sums_.begin(), sums_.end(), 0.0f);
        for (int k = -r_; k <= r_; ++k) add(row(y + k), 1.0f);
    }
    // From the window of row y to that of row y + 1.
    void advance(int y) {
        add(row(y + r_ + 1), 1.0f);
        add(row(y - r_), -1.0f);
    }
    const float* sums() const { return sums_.data(); }

private:
    const float* row(int y) const {
        return band_ + static_cast<std::size_t>(std::clamp(y, 0, height_ - 1) - first_) * width_;
    }
    void add(const float* __restrict src, float sign) {
        float* __restrict s = sums_.data();
        for (int x = 0; x < width_; ++x) s[x] += sign * src[x];
    }

    const float* band_;
    int first_, width_, height_, r_;
    std::vector<float> sums_;
};

// p = sqrt-encoded luminance of a row, and p^2.
OMBREL_MULTIVERSION void encodeLuminanceRow(const float* __restrict red, const float* __restrict green,
                                            const float* __restrict blue, float* __restrict p,
                                            float* __restrict squares, int width) {
    for (int x = 0; x < width; ++x) {
        p[x] = encode(lumaR * red[x] + lumaG * green[x] + lumaB * blue[x]);
        squares[x] = p[x] * p[x];
    }
}

// The least-squares fit a * p + b of each window from its sums of p and p^2.
OMBREL_MULTIVERSION void fitRow(const float* __restrict sumP, const float* __restrict sumP2, float* __restrict a,
                                float* __restrict b, float norm, float eps, int width) {
    for (int x = 0; x < width; ++x) {
        const float mean = sumP[x] * norm;
        const float variance = std::max(sumP2[x] * norm - mean * mean, 0.0f);
        a[x] = variance / (variance + eps);
        b[x] = mean - a[x] * mean;
    }
}

// Each pixel averages the fits of the windows covering it. Edges, where the
// fits keep a near 1, get back `sharpness` of the detail the averaging took;
// flat areas (a near 0) do not. The change of luminance is added to all three
// channels alike, so the colour differences stay as they were.
OMBREL_MULTIVERSION void restoreRow(const float* __restrict sumA, const float* __restrict sumB,
                                    const float* __restrict p, const float* __restrict red,
                                    const float* __restrict green, const float* __restrict blue, float* __restrict outR,
                                    float* __restrict outG, float* __restrict outB, float norm, float sharpness,
                                    int width) {
    for (int x = 0; x < width; ++x) {
        const float ma = sumA[x] * norm, mb = sumB[x] * norm;
        const float smooth = ma * p[x] + mb;
        const float q = smooth + sharpness * ma * (p[x] - smooth);
        const float delta = q * std::abs(q) - p[x] * std::abs(p[x]);
        outR[x] = red[x] + delta;
        outG[x] = green[x] + delta;
        outB[x] = blue[x] + delta;
    }
}

// Row sums of `values` (one row, width long) into `out`, through `padded`.
void boxRowOf(const float* values, float* out, std::vector<float>& padded, int width, int r) {
    pad(values, padded.data(), width, r);
    boxRow(padded.data(), out, width, r);
}

}  // namespace

PlanarImage noiseReduction(const PlanarImage& image, float noiseLevel, float sharpness, double scale) {
    if (!(noiseLevel > 0) || image.empty()) return image;
    const int width = image.width(), height = image.height();
    const int r = windowRadius(scale);
    const float norm = 1.0f / float((2 * r + 1) * (2 * r + 1));
    const float eps = std::pow(noiseFactor * noiseLevel * midGreySlope, 2.0f);
    PlanarImage out(width, height);

    // Bands of rows, each with the margins its windows reach into, so that
    // every intermediate stays in a small buffer that fits the cache.
    tbb::parallel_for(tbb::blocked_range<int>(0, height, bandRows), [&](const tbb::blocked_range<int>& band) {
        const int y0 = band.begin(), y1 = band.end();
        // Rows of p and of its window sums; rows of the fits' window sums.
        const int lo1 = std::max(0, y0 - 2 * r), hi1 = std::min(height, y1 + 2 * r);
        const int lo2 = std::max(0, y0 - r), hi2 = std::min(height, y1 + r);
        const auto rows = [width](int n) { return std::vector<float>(static_cast<std::size_t>(n) * width); };
        std::vector<float> p = rows(hi1 - lo1), rowP = rows(hi1 - lo1), rowP2 = rows(hi1 - lo1);
        std::vector<float> rowA = rows(hi2 - lo2), rowB = rows(hi2 - lo2);
        std::vector<float> padded(width + 2 * r), squares(width), a(width), b(width);
        const auto at = [width](std::vector<float>& v, int first, int y) {
            return v.data() + static_cast<std::size_t>(y - first) * width;
        };

        // Encoded luminance p, and the row sums of p and p^2.
        for (int y = lo1; y < hi1; ++y) {
            float* py = at(p, lo1, y);
            encodeLuminanceRow(image.row(0, y), image.row(1, y), image.row(2, y), py, squares.data(), width);
            boxRowOf(py, at(rowP, lo1, y), padded, width, r);
            boxRowOf(squares.data(), at(rowP2, lo1, y), padded, width, r);
        }

        // Per window: the fit a, b from the mean and variance; then their row sums.
        ColumnSums sumP(rowP.data(), lo1, width, height, r), sumP2(rowP2.data(), lo1, width, height, r);
        sumP.start(lo2);
        sumP2.start(lo2);
        for (int y = lo2; y < hi2; ++y) {
            fitRow(sumP.sums(), sumP2.sums(), a.data(), b.data(), norm, eps, width);
            boxRowOf(a.data(), at(rowA, lo2, y), padded, width, r);
            boxRowOf(b.data(), at(rowB, lo2, y), padded, width, r);
            // Not past the last row: the window would reach beyond the band's buffer.
            if (y + 1 < hi2) {
                sumP.advance(y);
                sumP2.advance(y);
            }
        }

        ColumnSums sumA(rowA.data(), lo2, width, height, r), sumB(rowB.data(), lo2, width, height, r);
        sumA.start(y0);
        sumB.start(y0);
        for (int y = y0; y < y1; ++y) {
            restoreRow(sumA.sums(), sumB.sums(), at(p, lo1, y), image.row(0, y), image.row(1, y), image.row(2, y),
                       out.row(0, y), out.row(1, y), out.row(2, y), norm, sharpness, width);
            if (y + 1 < y1) {
                sumA.advance(y);
                sumB.advance(y);
            }
        }
    });
    return out;
}

}  // namespace ombrel::ops
