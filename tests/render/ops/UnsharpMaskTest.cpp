#include <gtest/gtest.h>

#include <cmath>

#include "GaussianReference.h"
#include "PlanarImages.h"
#include "render/ops/UnsharpMask.h"

namespace ombrel::ops {
namespace {

// Standard normal distribution function.
double phi(double z) { return 0.5 * std::erfc(-z / std::sqrt(2.0)); }

PlanarImage sharpened(PlanarImage img, float radius, float intensity, int bandRows = 0) {
    unsharpMask(img, radius, intensity, bandRows);
    return img;
}

TEST(UnsharpMask, OvershootsAStepEdgeByIntensityTimesTheBlurDeficit) {
    // Columns 0..39 dark (0.2), 40..79 bright (0.8); the edge lies at x = 40.
    const PlanarImage step = test::planarFrom(80, 6, [](int, int x, int) { return x < 40 ? 0.2 : 0.8; });
    for (float radius : {1.5f, 4.0f}) {
        const float intensity = 0.7f;
        const PlanarImage out = sharpened(step, radius, intensity);
        for (int x = 34; x < 46; ++x) {
            // A Gaussian-blurred step is the normal distribution function of the
            // distance to the edge (pixel centres at x + 0.5).
            const double blurred = 0.2 + 0.6 * phi((x + 0.5 - 40) / radius);
            const double in = x < 40 ? 0.2 : 0.8;
            const double want = in + intensity * (in - blurred);
            EXPECT_NEAR(out.row(1, 3)[x], want, 6e-3) << "radius " << radius << " x " << x;
        }
        EXPECT_LT(out.row(0, 0)[39], 0.2f - 0.05f) << "undershoot on the dark side";
        EXPECT_GT(out.row(2, 5)[40], 0.8f + 0.05f) << "overshoot on the bright side";
        EXPECT_NEAR(out.row(0, 2)[2], 0.2f, 1e-5f) << "flat parts stay";
        EXPECT_NEAR(out.row(0, 2)[77], 0.8f, 1e-5f);
    }
}

TEST(UnsharpMask, ZeroIntensityOrTinyRadiusChangesNothing) {
    const PlanarImage img = test::noisyFlat(33, 21, 0.5f, 0.1f);
    for (const auto& [radius, intensity] : {std::pair{2.0f, 0.0f}, std::pair{0.1f, 1.5f}}) {
        const PlanarImage out = sharpened(img, radius, intensity);
        for (int c = 0; c < 3; ++c)
            for (int y = 0; y < 21; ++y)
                for (int x = 0; x < 33; ++x) ASSERT_EQ(out.row(c, y)[x], img.row(c, y)[x]);
    }
}

TEST(UnsharpMask, IsThePictureMinusADirectGaussianEverywhere) {
    // Every pixel, edges and corners included, of ordinary, tiny and
    // single-line pictures, for radii of the direct kernel and of the
    // recursive filter, several wider than the picture.
    std::vector<test::Shape> shapes(std::begin(test::awkwardShapes), std::end(test::awkwardShapes));
    shapes.push_back({41, 29});
    const float intensity = 1.3f;
    for (const auto [w, h] : shapes) {
        const PlanarImage img = test::randomImage(w, h, 5);
        for (float radius : {0.6f, 1.7f, 2.9f, 6.0f}) {
            const PlanarImage out = sharpened(img, radius, intensity);
            for (int c = 0; c < 3; ++c)
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x) {
                        const double in = img.row(c, y)[x];
                        const double want = in + intensity * (in - test::gaussianAt(img, c, x, y, radius));
                        ASSERT_NEAR(out.row(c, y)[x], want, 1.5e-3)
                            << w << "x" << h << " radius " << radius << " at " << x << "," << y;
                    }
        }
    }
}

TEST(UnsharpMask, BandsInParallelGiveWhatOneBandGives) {
    const PlanarImage img = test::randomImage(53, 140, 8);
    for (float radius : {0.5f, 1.5f, 2.5f}) {
        const PlanarImage single = sharpened(img, radius, 0.8f, img.height());
        for (int bandRows : {1, 4, 11, 32})
            EXPECT_TRUE(test::identical(sharpened(img, radius, 0.8f, bandRows), single))
                << radius << " in bands of " << bandRows;
    }
}

}  // namespace
}  // namespace ombrel::ops
