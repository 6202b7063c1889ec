#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "GaussianReference.h"
#include "PlanarImages.h"
#include "render/ops/NoiseReduction.h"

namespace ombrel::ops {
namespace {

using test::planarFrom;
using test::statsOf;

// Luminance noise: the same deviation in all three channels.
PlanarImage greyNoise(int width, int height, float level, float sigma, unsigned seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<float> noise(0.0f, sigma);
    std::vector<float> n(static_cast<std::size_t>(width) * height);
    for (float& v : n) v = noise(rng);
    return planarFrom(width, height, [&](int c, int x, int y) { return level * (0.8 + 0.2 * c) + n[y * width + x]; });
}

// The graph's setting for luminance noise reduction 60 of 100.
constexpr float noiseLevel = 0.6f * 0.08f, sharpness = 0.4f;

PlanarImage reduced(PlanarImage img, float level, float sharp, double scale, int bandRows = 0) {
    noiseReduction(img, level, sharp, scale, bandRows);
    return img;
}

TEST(NoiseReduction, SmoothsFlatNoiseALotButKeepsMostOfAStrongEdge) {
    // Dark left half, bright right half, the same noise in all three channels.
    const PlanarImage noise = greyNoise(96, 64, 0.0f, 0.02f, 4);
    const PlanarImage edge =
        planarFrom(96, 64, [&](int c, int x, int y) { return (x < 48 ? 0.05 : 0.6) + 0.1 * c + noise.row(c, y)[x]; });
    const PlanarImage out = reduced(edge, noiseLevel, sharpness, 1.0);
    for (int c = 0; c < 3; ++c) {
        const auto before = statsOf(edge, c, 52, 4, 92, 60), after = statsOf(out, c, 52, 4, 92, 60);
        EXPECT_LT(after.stddev, before.stddev / 4) << c;
        EXPECT_NEAR(after.mean, before.mean, 0.003) << c;
    }
    // Contrast right at the edge: columns 46-47 against 48-49.
    const double before = statsOf(edge, 1, 48, 4, 50, 60).mean - statsOf(edge, 1, 46, 4, 48, 60).mean;
    const double after = statsOf(out, 1, 48, 4, 50, 60).mean - statsOf(out, 1, 46, 4, 48, 60).mean;
    EXPECT_GT(after, 0.9 * before);
}

TEST(NoiseReduction, ZeroNoiseLevelIsIdentity) {
    const PlanarImage img = greyNoise(17, 11, 0.3f, 0.05f, 2);
    EXPECT_TRUE(test::identical(reduced(img, 0.0f, sharpness, 1.0), img));
}

// Averages 2 x 2 blocks.
PlanarImage halve(const PlanarImage& img) {
    return planarFrom(img.width() / 2, img.height() / 2, [&](int c, int x, int y) {
        return 0.25 * (img.row(c, 2 * y)[2 * x] + img.row(c, 2 * y)[2 * x + 1] + img.row(c, 2 * y + 1)[2 * x] +
                       img.row(c, 2 * y + 1)[2 * x + 1]);
    });
}

double rmsDifference(const PlanarImage& a, const PlanarImage& b, int margin) {
    double sum = 0;
    int n = 0;
    for (int y = margin; y < a.height() - margin; ++y)
        for (int x = margin; x < a.width() - margin; ++x, ++n) sum += std::pow(a.row(1, y)[x] - b.row(1, y)[x], 2);
    return std::sqrt(sum / n);
}

TEST(NoiseReduction, AProxyAtHalfScaleLooksLikeTheFullRenderHalved) {
    // Fine low-contrast texture (below the noise level) beside strong edges,
    // all scaled with the picture.
    const PlanarImage full = planarFrom(192, 192, [](int, int x, int y) {
        const double texture = 0.02 * std::sin(x * 0.5) * std::sin(y * 0.4);
        const double blocks = ((x / 48 + y / 64) % 2) ? 0.5 : 0.08;
        return blocks + texture;
    });
    const PlanarImage half = halve(full);
    const PlanarImage fullThenHalved = halve(reduced(full, noiseLevel, sharpness, 1.0));
    const PlanarImage proxy = reduced(half, noiseLevel, sharpness, 0.5);
    const PlanarImage wrongScale = reduced(half, noiseLevel, sharpness, 1.0);
    const double effect = rmsDifference(fullThenHalved, half, 4);
    const double proxyError = rmsDifference(fullThenHalved, proxy, 4);
    const double wrongError = rmsDifference(fullThenHalved, wrongScale, 4);
    EXPECT_GT(effect, 0.004) << "the filter must do something here";
    EXPECT_LT(proxyError, 0.1 * effect);
    EXPECT_LT(proxyError, 0.25 * wrongError);
}

// The filter written out directly in double precision: every window sum by
// brute force over clamped indices. The window is 9 x 9 at full resolution,
// narrowed with the render's scale.
PlanarImage referenceReduction(const PlanarImage& img, double level, double sharp, int r) {
    const int w = img.width(), h = img.height();
    const auto at = [&](const std::vector<double>& v, int x, int y) {
        return v[std::size_t(std::clamp(y, 0, h - 1)) * w + std::clamp(x, 0, w - 1)];
    };
    const auto windowMean = [&](const std::vector<double>& v, int x, int y) {
        double sum = 0;
        for (int dy = -r; dy <= r; ++dy)
            for (int dx = -r; dx <= r; ++dx) sum += at(v, x + dx, y + dy);
        return sum / ((2 * r + 1) * (2 * r + 1));
    };
    std::vector<double> p(std::size_t(w) * h), p2(p.size()), a(p.size()), b(p.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double lum = 0.2126 * img.row(0, y)[x] + 0.7152 * img.row(1, y)[x] + 0.0722 * img.row(2, y)[x];
            p[y * w + x] = std::copysign(std::sqrt(std::abs(lum)), lum);
            p2[y * w + x] = p[y * w + x] * p[y * w + x];
        }
    const double eps = std::pow(1.5 * level * 0.5 / std::sqrt(0.18), 2);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double mean = windowMean(p, x, y);
            const double variance = std::max(windowMean(p2, x, y) - mean * mean, 0.0);
            a[y * w + x] = variance / (variance + eps);
            b[y * w + x] = mean - a[y * w + x] * mean;
        }
    return test::planarFrom(w, h, [&](int c, int x, int y) {
        const double v = p[y * w + x], ma = windowMean(a, x, y), mb = windowMean(b, x, y);
        const double smooth = ma * v + mb;
        const double q = smooth + sharp * ma * (v - smooth);
        return img.row(c, y)[x] + q * std::abs(q) - v * std::abs(v);
    });
}

TEST(NoiseReduction, MatchesTheFilterWrittenOutDirectly) {
    // The reference adds one luminance change to all three planes, so this also
    // shows colour differences are left alone. Scales giving windows of radius 4, 2 and 1; pictures of one pixel, single
    // lines and sizes below the window, where every window mostly repeats
    // the edges; an ordinary patch with edges in it. Values beyond 0...1 and
    // negative luminance included.
    std::vector<test::Shape> shapes(std::begin(test::awkwardShapes), std::end(test::awkwardShapes));
    shapes.push_back({43, 37});
    for (const auto [w, h] : shapes) {
        std::mt19937 rng(w * 100 + h);
        std::normal_distribution<float> noise(0.0f, 0.05f);
        const PlanarImage img = test::planarFrom(w, h, [&](int c, int x, int y) {
            return ((x / 9 + y / 7) % 2 ? 0.6 : 0.1) - 0.15 * (x == 0 && y == 0) + 0.1 * c + noise(rng);
        });
        for (const auto& [scale, radius] : {std::pair{1.0, 4}, std::pair{0.5, 2}, std::pair{0.27, 1}}) {
            const PlanarImage out = reduced(img, noiseLevel, sharpness, scale);
            const PlanarImage want = referenceReduction(img, noiseLevel, sharpness, radius);
            for (int c = 0; c < 3; ++c)
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x)
                        ASSERT_NEAR(out.row(c, y)[x], want.row(c, y)[x], 2e-5)
                            << w << "x" << h << " scale " << scale << " at " << x << "," << y << " plane " << c;
        }
    }
}

TEST(NoiseReduction, BandsInParallelGiveWhatOneBandGives) {
    // Bands down to the fewest rows each window radius allows.
    const PlanarImage img = greyNoise(57, 163, 0.2f, 0.03f, 12);
    for (double scale : {0.27, 0.5, 1.0}) {
        const PlanarImage single = reduced(img, noiseLevel, sharpness, scale, img.height());
        for (int bandRows : {1, 3, 8, 9, 17, 50})
            EXPECT_TRUE(test::identical(reduced(img, noiseLevel, sharpness, scale, bandRows), single))
                << "scale " << scale << " in bands of " << bandRows;
    }
}

}  // namespace
}  // namespace ombrel::ops
