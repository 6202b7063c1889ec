#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <vector>

#include "GaussianReference.h"
#include "PlanarImages.h"
#include "render/ops/Blur.h"
#include "render/ops/ColorBlend.h"
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

// A blur narrower than 0.3 pixels is a copy, and so a mask changes nothing;
// neither does one of zero intensity.
TEST(UnsharpMask, ZeroIntensityOrTinyRadiusChangesNothingAndATinyBlurIsACopy) {
    const PlanarImage img = randomImage(33, 21);
    for (float sigma : {0.0f, 0.1f, 0.29f, -1.0f}) EXPECT_TRUE(test::identical(gaussianBlur(img, sigma), img)) << sigma;
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

using Rgb = std::array<float, 3>;

float lum(Rgb c) { return 0.2126f * c[0] + 0.7152f * c[1] + 0.0722f * c[2]; }

Rgb blendOne(Rgb source, Rgb background) {
    const PlanarImage s = planarFrom(1, 1, [&](int c, int, int) { return source[c]; });
    const PlanarImage b = planarFrom(1, 1, [&](int c, int, int) { return background[c]; });
    const PlanarImage out = colorBlend(s, b);
    return {out.row(0, 0)[0], out.row(1, 0)[0], out.row(2, 0)[0]};
}

// The result always has the background's luminance. Within the gamut its
// colour difference from grey is the source's own (a grey source gives grey),
// also for highlights beyond white; a colour that would leave 0...1 is pulled
// toward grey instead, keeping its hue.
TEST(ColorBlend, KeepsTheBackgroundLuminanceAndTheSourceColour) {
    struct Case {
        const char* what;
        Rgb source, background;
        bool clipped;
    };
    const Rgb vivid{0.05f, 0.1f, 0.95f};
    const Case cases[] = {
        {"within the gamut", {0.6f, 0.3f, 0.2f}, {0.35f, 0.4f, 0.5f}, false},
        {"grey source", {0.7f, 0.7f, 0.7f}, {0.35f, 0.4f, 0.5f}, false},
        {"highlights beyond white", {0.6f, 0.5f, 0.4f}, {2.4f, 2.0f, 1.6f}, false},
        {"vivid blue on dark would need negative red and green", vivid, {0.05f, 0.05f, 0.05f}, true},
        {"vivid blue on bright would need blue above 1", vivid, {0.95f, 0.9f, 0.92f}, true},
    };
    for (const Case& c : cases) {
        const Rgb out = blendOne(c.source, c.background);
        EXPECT_NEAR(lum(out), lum(c.background), 1e-5f) << c.what;
        if (!c.clipped) {
            for (int i = 0; i < 3; ++i) EXPECT_NEAR(out[i] - lum(out), c.source[i] - lum(c.source), 1e-5f) << c.what;
            continue;
        }
        EXPECT_GE(*std::min_element(out.begin(), out.end()), -1e-6f) << c.what;
        EXPECT_LE(*std::max_element(out.begin(), out.end()), 1.0f + 1e-6f) << c.what;
        // Same hue: the colour differences keep their ratios.
        const float k = (out[2] - lum(out)) / (c.source[2] - lum(c.source));
        EXPECT_GT(k, 0.0f) << c.what;
        EXPECT_LT(k, 1.0f) << c.what;
        EXPECT_NEAR(out[0] - lum(out), k * (c.source[0] - lum(c.source)), 1e-5f) << c.what;
    }
}

TEST(ColorBlend, AppliesPerPixelAcrossTheImage) {
    const PlanarImage source = planarFrom(37, 5, [](int c, int x, int) { return c == 0 ? 0.2 + 0.01 * x : 0.3; });
    const PlanarImage background = planarFrom(37, 5, [](int, int, int y) { return 0.1 * (y + 1); });
    const PlanarImage out = colorBlend(source, background);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 37; x += 6) {
            const Rgb o{out.row(0, y)[x], out.row(1, y)[x], out.row(2, y)[x]};
            EXPECT_NEAR(lum(o), 0.1f * (y + 1), 1e-5f) << x << "," << y;
            EXPECT_NEAR(o[0] - o[1], 0.2f + 0.01f * x - 0.3f, 1e-5f) << x << "," << y;
        }
}

// Colourful noise beyond the 0...1 gamut in places, so that the blend's
// clipping takes part.
PlanarImage colourfulNoise(int w, int h, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> u(-0.1f, 1.3f);
    return planarFrom(w, h, [&](int, int, int) { return u(rng); });
}

PlanarImage colourBlurred(PlanarImage img, float sigma, int bandRows = 0) {
    blurColor(img, sigma, bandRows);
    return img;
}

TEST(BlurColor, IsTheBlendOfThePictureOverItsOwnBlur) {
    std::vector<test::Shape> shapes(std::begin(test::awkwardShapes), std::end(test::awkwardShapes));
    shapes.push_back({61, 47});
    for (const auto [w, h] : shapes) {
        const PlanarImage img = colourfulNoise(w, h, 4);
        for (float sigma : {0.1f, 0.55f, 2.0f, 2.99f, 7.0f}) {
            const PlanarImage expected = colorBlend(gaussianBlur(img, sigma), img);
            EXPECT_TRUE(test::identical(colourBlurred(img, sigma), expected)) << w << "x" << h << " sigma " << sigma;
        }
    }
}

TEST(BlurColor, BandsInParallelGiveWhatOneBandGives) {
    const PlanarImage img = colourfulNoise(45, 133, 6);
    for (float sigma : {0.55f, 1.8f, 2.9f}) {
        const PlanarImage single = colourBlurred(img, sigma, img.height());
        for (int bandRows : {1, 5, 9, 24})
            EXPECT_TRUE(test::identical(colourBlurred(img, sigma, bandRows), single))
                << sigma << " in bands of " << bandRows;
    }
}

}  // namespace
}  // namespace ombrel::ops
