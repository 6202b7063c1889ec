#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "GaussianReference.h"
#include "PlanarImages.h"
#include "render/ops/Blur.h"
#include "render/ops/UnsharpMask.h"

namespace ombrel::ops {
namespace {

using test::gaussianAt;
using test::planarFrom;
using test::randomImage;
using test::statsOf;

// Both the direct kernel (small sigma) and the recursive filter (large sigma).
const float sigmas[] = {0.5f, 0.8f, 2.0f, 2.99f, 3.0f, 4.0f, 12.0f};

// On a size that is no multiple of any tile or strip, and on tiny and single
// line pictures where kernels far wider than the picture repeat its edges
// (these also cover the plane function the picture blur runs per channel).
TEST(Blur, MatchesADirectGaussianIncludingClampedEdges) {
    std::vector<test::Shape> shapes(std::begin(test::awkwardShapes), std::end(test::awkwardShapes));
    shapes.push_back({70, 53});  // sampled sparsely, its last column and row included
    for (const auto [w, h] : shapes) {
        const PlanarImage img = randomImage(w, h, 3);
        const bool sparse = w > 20;
        for (float sigma : sigmas) {
            const PlanarImage out = gaussianBlur(img, sigma);
            for (int c = 0; c < 3; c += sparse ? 2 : 1)
                for (int y = 0; y < h; y += sparse ? 4 : 1)
                    for (int x = 0; x < w; x += sparse ? 3 : 1)
                        ASSERT_NEAR(out.row(c, y)[x], gaussianAt(img, c, x, y, sigma), 1e-3)
                            << w << "x" << h << " sigma " << sigma << " at " << x << "," << y;
        }
    }
}

TEST(Blur, KeepsFlatImagesFlatAndTheMeanOfDetail) {
    const PlanarImage flat = planarFrom(45, 67, [](int c, int, int) { return 0.25 + 0.5 * c; });
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> u(0.0f, 1.0f);
    const PlanarImage detail = planarFrom(
        150, 130, [&](int, int x, int y) { return (x >= 60 && x < 90 && y >= 55 && y < 75) ? u(rng) : 0.3f; });
    for (float sigma : sigmas) {
        const PlanarImage out = gaussianBlur(flat, sigma);
        for (int c = 0; c < 3; ++c) {
            const auto s = statsOf(out, c);
            EXPECT_NEAR(s.mean, 0.25 + 0.5 * c, 1e-5) << sigma;
            EXPECT_LT(s.stddev, 1e-5) << sigma;
        }
        // Detail away from the edges keeps its mean and loses its spread.
        const PlanarImage blurred = gaussianBlur(detail, sigma);
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(statsOf(blurred, c).mean, statsOf(detail, c).mean, 2e-5) << sigma;
        EXPECT_LT(statsOf(blurred, 0, 60, 55, 90, 75).stddev, 0.7 * statsOf(detail, 0, 60, 55, 90, 75).stddev) << sigma;
    }
}

TEST(Blur, TinySigmaIsACopy) {
    const PlanarImage img = randomImage(20, 9);
    for (float sigma : {0.0f, 0.1f, 0.29f, -1.0f}) EXPECT_TRUE(test::identical(gaussianBlur(img, sigma), img)) << sigma;
}

// Collects what blurRows hands over: the blurred rows into `blurred`, the
// rows as they were into `original`; the picture itself gets the blurred
// rows doubled, so that a row read after it was written shows.
struct Collected {
    PlanarImage blurred, original, picture;
};

Collected collect(const PlanarImage& img, float sigma, int bandRows) {
    Collected got{PlanarImage(img.width(), img.height()), PlanarImage(img.width(), img.height()), img};
    blurRows(
        got.picture, sigma,
        [&](const BlurredRow& row) {
            const int y = static_cast<int>((row.row[0] - got.picture.plane(0)) / img.width());
            for (int c = 0; c < 3; ++c)
                for (int x = 0; x < row.width; ++x) {
                    got.blurred.row(c, y)[x] = row.blurred[c][x];
                    got.original.row(c, y)[x] = row.row[c][x];
                    row.row[c][x] = 2 * got.blurred.row(c, y)[x];
                }
        },
        bandRows);
    return got;
}

TEST(BlurRows, HandsOverEachRowBlurredAndAsItWas) {
    // Sigmas for a copy, the direct kernel (narrow and widest) and the
    // recursive filter; sizes that are no multiple of any band.
    for (const auto [w, h] : {test::Shape{45, 67}, test::Shape{1, 23}, test::Shape{30, 1}, test::Shape{4, 3}}) {
        const PlanarImage img = randomImage(w, h, 7);
        for (float sigma : {0.1f, 0.8f, 2.99f, 5.5f}) {
            const PlanarImage expected = gaussianBlur(img, sigma);
            const Collected got = collect(img, sigma, 0);
            EXPECT_TRUE(test::identical(got.blurred, expected)) << w << "x" << h << " sigma " << sigma;
            EXPECT_TRUE(test::identical(got.original, img)) << w << "x" << h << " sigma " << sigma;
            for (int c = 0; c < 3; ++c)
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x) ASSERT_EQ(got.picture.row(c, y)[x], 2 * expected.row(c, y)[x]);
        }
    }
}

TEST(BlurRows, BandsInParallelGiveWhatOneBandGives) {
    // Bands down to the fewest rows the kernel allows, so that rows are read
    // across several boundaries, run on all threads.
    const PlanarImage img = randomImage(37, 151, 9);
    for (float sigma : {0.8f, 2.0f, 2.99f}) {
        const Collected single = collect(img, sigma, img.height());
        for (int bandRows : {1, 3, 8, 13, 40}) {
            const Collected banded = collect(img, sigma, bandRows);
            EXPECT_TRUE(test::identical(banded.blurred, single.blurred)) << sigma << " in bands of " << bandRows;
            EXPECT_TRUE(test::identical(banded.original, img)) << sigma << " in bands of " << bandRows;
        }
    }
}

PlanarImage sharpened(PlanarImage img, float radius, float intensity, int bandRows = 0) {
    unsharpMask(img, radius, intensity, bandRows);
    return img;
}

TEST(UnsharpMask, ZeroIntensityOrTinyRadiusChangesNothing) {
    const PlanarImage img = test::noisyFlat(33, 21, 0.5f, 0.1f);
    for (const auto& [radius, intensity] : {std::pair{2.0f, 0.0f}, std::pair{0.1f, 1.5f}})
        EXPECT_TRUE(test::identical(sharpened(img, radius, intensity), img)) << radius << ", " << intensity;
}

TEST(UnsharpMask, IsThePictureMinusADirectGaussianEverywhere) {
    // The mask overshoots every edge by the intensity times what the blur
    // took away. Every pixel, edges and corners included, of ordinary, tiny and
    // single-line pictures, for radii of the direct kernel and of the
    // recursive filter, several wider than the picture.
    std::vector<test::Shape> shapes(std::begin(test::awkwardShapes), std::end(test::awkwardShapes));
    shapes.push_back({41, 29});
    const float intensity = 1.3f;
    for (const auto [w, h] : shapes) {
        const PlanarImage img = randomImage(w, h, 5);
        for (float radius : {0.6f, 1.7f, 2.9f, 6.0f}) {
            const PlanarImage out = sharpened(img, radius, intensity);
            for (int c = 0; c < 3; ++c)
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x) {
                        const double in = img.row(c, y)[x];
                        const double want = in + intensity * (in - gaussianAt(img, c, x, y, radius));
                        ASSERT_NEAR(out.row(c, y)[x], want, 1.5e-3)
                            << w << "x" << h << " radius " << radius << " at " << x << "," << y;
                    }
        }
    }
}

TEST(UnsharpMask, BandsInParallelGiveWhatOneBandGives) {
    const PlanarImage img = randomImage(53, 140, 8);
    for (float radius : {0.5f, 1.5f, 2.5f}) {
        const PlanarImage single = sharpened(img, radius, 0.8f, img.height());
        for (int bandRows : {1, 4, 11, 32})
            EXPECT_TRUE(test::identical(sharpened(img, radius, 0.8f, bandRows), single))
                << radius << " in bands of " << bandRows;
    }
}

}  // namespace
}  // namespace ombrel::ops
