#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <vector>

#include "GaussianReference.h"
#include "PlanarImages.h"
#include "render/ops/Blur.h"
#include "render/ops/ColorBlend.h"

namespace ombrel::ops {
namespace {

using Rgb = std::array<float, 3>;

float lum(Rgb c) { return 0.2126f * c[0] + 0.7152f * c[1] + 0.0722f * c[2]; }

Rgb blendOne(Rgb source, Rgb background) {
    const PlanarImage s = test::planarFrom(1, 1, [&](int c, int, int) { return source[c]; });
    const PlanarImage b = test::planarFrom(1, 1, [&](int c, int, int) { return background[c]; });
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
    const PlanarImage source = test::planarFrom(37, 5, [](int c, int x, int) { return c == 0 ? 0.2 + 0.01 * x : 0.3; });
    const PlanarImage background = test::planarFrom(37, 5, [](int, int, int y) { return 0.1 * (y + 1); });
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
    return test::planarFrom(w, h, [&](int, int, int) { return u(rng); });
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
