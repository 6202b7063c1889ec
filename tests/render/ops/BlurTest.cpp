#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "PlanarImages.h"
#include "render/ops/Blur.h"

namespace ombrel::ops {
namespace {

using test::planarFrom;
using test::statsOf;

// Direct 2D Gaussian convolution in double precision with clamped indices
// and a wide (5 sigma) kernel: slow, obviously right.
double referenceAt(const PlanarImage& img, int c, int x, int y, double sigma) {
    const int r = static_cast<int>(std::ceil(5 * sigma));
    double sum = 0, weights = 0;
    for (int dy = -r; dy <= r; ++dy)
        for (int dx = -r; dx <= r; ++dx) {
            const double w = std::exp(-(dx * dx + dy * dy) / (2 * sigma * sigma));
            const int sx = std::clamp(x + dx, 0, img.width() - 1), sy = std::clamp(y + dy, 0, img.height() - 1);
            sum += w * img.row(c, sy)[sx];
            weights += w;
        }
    return sum / weights;
}

PlanarImage randomImage(int w, int h) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> u(0.0f, 1.0f);
    return planarFrom(w, h, [&](int, int, int) { return u(rng); });
}

// Both the direct kernel (small sigma) and the recursive filter (large sigma),
// on sizes that are not multiples of any tile or strip.
const float sigmas[] = {0.8f, 2.0f, 2.99f, 3.0f, 5.5f, 12.0f};

TEST(Blur, MatchesADirectGaussianIncludingClampedEdges) {
    const PlanarImage img = randomImage(71, 53);
    for (float sigma : sigmas) {
        const PlanarImage out = gaussianBlur(img, sigma);
        double worst = 0;
        for (int c = 0; c < 3; c += 2)
            for (int y = 0; y < img.height(); y += 4)
                for (int x = 0; x < img.width(); x += 3)
                    worst = std::max(worst, std::fabs(out.row(c, y)[x] - referenceAt(img, c, x, y, sigma)));
        // Corners and edges are included: clamping shows there first.
        for (int c = 0; c < 3; ++c) {
            worst = std::max(worst, std::fabs(out.row(c, 0)[0] - referenceAt(img, c, 0, 0, sigma)));
            worst = std::max(worst, std::fabs(out.row(c, 52)[70] - referenceAt(img, c, 70, 52, sigma)));
        }
        EXPECT_LT(worst, 1e-3) << "sigma " << sigma;
    }
}

TEST(Blur, KeepsFlatImagesFlat) {
    const PlanarImage flat = planarFrom(45, 67, [](int c, int, int) { return 0.25 + 0.5 * c; });
    for (float sigma : sigmas) {
        const PlanarImage out = gaussianBlur(flat, sigma);
        for (int c = 0; c < 3; ++c) {
            const auto s = statsOf(out, c);
            EXPECT_NEAR(s.mean, 0.25 + 0.5 * c, 1e-5) << sigma;
            EXPECT_LT(s.stddev, 1e-5) << sigma;
        }
    }
}

TEST(Blur, PreservesTheMeanOfDetailAwayFromTheEdges) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> u(0.0f, 1.0f);
    const PlanarImage img = planarFrom(
        150, 130, [&](int, int x, int y) { return (x >= 60 && x < 90 && y >= 55 && y < 75) ? u(rng) : 0.3f; });
    for (float sigma : sigmas) {
        const PlanarImage out = gaussianBlur(img, sigma);
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(statsOf(out, c).mean, statsOf(img, c).mean, 2e-5) << sigma;
        EXPECT_LT(statsOf(out, 0, 60, 55, 90, 75).stddev, 0.7 * statsOf(img, 0, 60, 55, 90, 75).stddev) << sigma;
    }
}

TEST(Blur, TinySigmaIsACopy) {
    const PlanarImage img = randomImage(20, 9);
    for (float sigma : {0.0f, 0.1f, 0.29f, -1.0f}) {
        const PlanarImage out = gaussianBlur(img, sigma);
        for (int c = 0; c < 3; ++c)
            for (int y = 0; y < 9; ++y)
                for (int x = 0; x < 20; ++x) ASSERT_EQ(out.row(c, y)[x], img.row(c, y)[x]);
    }
}

TEST(Blur, PlaneFunctionHandlesSingleRowsAndColumns) {
    const std::vector<float> line{0, 0, 0, 1, 0, 0, 0, 0.5f};
    const PlanarImage asImage = planarFrom(8, 1, [&](int, int x, int) { return line[x]; });
    for (float sigma : {1.0f, 4.0f}) {
        std::vector<float> across(8), down(8);
        gaussianBlurPlane(line.data(), across.data(), 8, 1, sigma);
        gaussianBlurPlane(line.data(), down.data(), 1, 8, sigma);
        for (int i = 0; i < 8; ++i) {
            EXPECT_NEAR(across[i], down[i], 1e-6f) << i;
            EXPECT_NEAR(across[i], referenceAt(asImage, 0, i, 0, sigma), 4e-3) << sigma << " at " << i;
        }
    }
}

}  // namespace
}  // namespace ombrel::ops
