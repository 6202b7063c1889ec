#include "ChromaNoiseReduction.h"

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace ombrel {

namespace {

// Rec. 709 luma weights (sRGB primaries).
constexpr float kr = 0.2126f, kg = 0.7152f, kb = 0.0722f;

std::vector<float> gaussianWeights(float sigma) {
    const int radius = std::max(1, static_cast<int>(std::ceil(3 * sigma)));
    std::vector<float> w(2 * radius + 1);
    float sum = 0;
    for (int k = -radius; k <= radius; ++k) {
        w[k + radius] = std::exp(-0.5f * k * k / (sigma * sigma));
        sum += w[k + radius];
    }
    for (float& v : w) v /= sum;
    return w;
}

inline float encode(float v) { return std::sqrt(std::max(v, 0.0f)); }
inline float decode(float v) { return v > 0 ? v * v : 0.0f; }

}  // namespace

void reduceChromaNoise(Image& image, float sigma) {
    if (!(sigma > 0) || image.empty()) return;
    const int width = image.width(), height = image.height();
    const std::vector<float> weights = gaussianWeights(sigma);
    const int radius = static_cast<int>(weights.size() / 2);
    const std::size_t planeSize = static_cast<std::size_t>(width) * height;

    // Horizontal pass: chroma of each row, blurred along the row.
    auto cbPlane = std::make_unique_for_overwrite<float[]>(planeSize);
    auto crPlane = std::make_unique_for_overwrite<float[]>(planeSize);
    tbb::parallel_for(tbb::blocked_range<int>(0, height), [&](const tbb::blocked_range<int>& rows) {
        std::vector<float> cb(width), cr(width);
        for (int y = rows.begin(); y < rows.end(); ++y) {
            const float* p = image.row(y);
            for (int x = 0; x < width; ++x, p += 4) {
                const float r = encode(p[0]), g = encode(p[1]), b = encode(p[2]);
                const float luma = kr * r + kg * g + kb * b;
                cb[x] = b - luma;
                cr[x] = r - luma;
            }
            float* outCb = cbPlane.get() + static_cast<std::size_t>(y) * width;
            float* outCr = crPlane.get() + static_cast<std::size_t>(y) * width;
            for (int x = 0; x < width; ++x) {
                float sb = 0, sr = 0;
                for (int k = -radius; k <= radius; ++k) {
                    const int sx = std::clamp(x + k, 0, width - 1);
                    sb += weights[k + radius] * cb[sx];
                    sr += weights[k + radius] * cr[sx];
                }
                outCb[x] = sb;
                outCr[x] = sr;
            }
        }
    });

    // Vertical pass, then rebuild each pixel from its own luma and the
    // blurred chroma.
    tbb::parallel_for(tbb::blocked_range<int>(0, height), [&](const tbb::blocked_range<int>& rows) {
        std::vector<float> cb(width), cr(width);
        for (int y = rows.begin(); y < rows.end(); ++y) {
            std::fill(cb.begin(), cb.end(), 0.0f);
            std::fill(cr.begin(), cr.end(), 0.0f);
            for (int k = -radius; k <= radius; ++k) {
                const std::size_t offset = static_cast<std::size_t>(std::clamp(y + k, 0, height - 1)) * width;
                const float w = weights[k + radius];
                const float* inCb = cbPlane.get() + offset;
                const float* inCr = crPlane.get() + offset;
                for (int x = 0; x < width; ++x) {
                    cb[x] += w * inCb[x];
                    cr[x] += w * inCr[x];
                }
            }
            float* p = image.row(y);
            for (int x = 0; x < width; ++x, p += 4) {
                const float luma = kr * encode(p[0]) + kg * encode(p[1]) + kb * encode(p[2]);
                const float r = luma + cr[x];
                const float b = luma + cb[x];
                const float g = (luma - kr * r - kb * b) / kg;
                p[0] = decode(r);
                p[1] = decode(g);
                p[2] = decode(b);
            }
        }
    });
}

}  // namespace ombrel
