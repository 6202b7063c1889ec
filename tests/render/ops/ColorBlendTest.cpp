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

TEST(ColorBlend, KeepsTheBackgroundLuminanceAndTheSourceColour) {
    // Within the gamut the colour difference from grey is the source's own; a
    // grey source gives the background's luminance as grey.
    const Rgb background{0.35f, 0.4f, 0.5f};
    for (const Rgb source : {Rgb{0.6f, 0.3f, 0.2f}, Rgb{0.7f, 0.7f, 0.7f}}) {
        const Rgb out = blendOne(source, background);
        EXPECT_NEAR(lum(out), lum(background), 1e-6f);
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(out[c] - lum(out), source[c] - lum(source), 1e-6f) << c;
    }
}

TEST(ColorBlend, ClipsTowardGreyKeepingLuminanceAndHue) {
    // A vivid blue onto a dark background would need negative red and green,
    // onto a bright one blue above 1; both are pulled toward grey instead.
    const Rgb vivid{0.05f, 0.1f, 0.95f};
    for (const Rgb background : {Rgb{0.05f, 0.05f, 0.05f}, Rgb{0.95f, 0.9f, 0.92f}}) {
        const Rgb out = blendOne(vivid, background);
        EXPECT_NEAR(lum(out), lum(background), 1e-5f);
        EXPECT_GE(*std::min_element(out.begin(), out.end()), -1e-6f);
        EXPECT_LE(*std::max_element(out.begin(), out.end()), 1.0f + 1e-6f);
        // Same hue: the colour differences keep their ratios.
        const float k = (out[2] - lum(out)) / (vivid[2] - lum(vivid));
        EXPECT_GT(k, 0.0f);
        EXPECT_LT(k, 1.0f);
        EXPECT_NEAR(out[0] - lum(out), k * (vivid[0] - lum(vivid)), 1e-5f);
    }
}

TEST(ColorBlend, HighlightsBeyondWhiteKeepTheirColour) {
    const Rgb background{2.4f, 2.0f, 1.6f}, source{0.6f, 0.5f, 0.4f};
    const Rgb out = blendOne(source, background);
    EXPECT_NEAR(lum(out), lum(background), 1e-5f);
    EXPECT_GT(out[0], out[1]);
    EXPECT_GT(out[1], out[2]);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(out[c] - lum(out), source[c] - lum(source), 1e-5f) << c;
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
