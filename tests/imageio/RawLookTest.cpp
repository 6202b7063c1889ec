// The pure pieces of the RAW look: the tone boost, the ISO-driven defaults,
// how options override them, and the noise and moiré filters on synthetic
// pictures whose right answer is known.
#include "Pictures.h"

#include "imageio/ChromaNoiseReduction.h"
#include "imageio/MoireReduction.h"
#include "imageio/RawDefaults.h"
#include "imageio/RawNoiseAmounts.h"
#include "imageio/RawToneCurve.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>

namespace ombrel {
namespace {

// Where sensor white lands: the decoder's own placement, and DNGs whose
// baseline exposure asks for a stop more or a stop less.
const float whites[] = {exposureGain(0), exposureGain(1), exposureGain(-1)};

TEST(ToneBoost, KeepsMidGreyDeepensShadowsAndPutsSensorWhiteOnWhite) {
    for (const float white : whites) {
        SCOPED_TRACE(white);
        const ToneBoost boost(white);
        EXPECT_NEAR(boost.curve(0.18f), 0.18f, 1e-4f);
        EXPECT_EQ(boost.curve(0.0f), 0.0f);
        EXPECT_EQ(boost.curve(-0.5f), 0.0f);
        EXPECT_LT(boost.curve(0.03f), 0.55f * 0.03f) << "a black patch goes almost a stop down";
        EXPECT_NEAR(boost.curve(0.1f) / 0.1f, 1.0f, 0.1f) << "darker mid-tones stay nearly where they are";
        if (white > 1) {
            EXPECT_NEAR(boost.curve(white), 1.0f, 1e-5f);
            EXPECT_LT(boost.curve(white) - boost.curve(white - 0.01f), 0.6f * 0.01f) << "rolling off into white";
        } else {
            EXPECT_LT(boost.curve(white), 1.0f) << "a file that asks for less keeps its white below 1";
        }
        float previous = 0, previousSlope = 0;
        constexpr float step = 1e-3f;
        for (float x = step; x < white; x += step) {
            const float y = boost.curve(x), slope = (y - previous) / step;
            ASSERT_GT(y, previous) << "at " << x;
            ASSERT_LE(y, 1.0f) << "at " << x;
            if (x > 0.01f) {
                ASSERT_NEAR(slope, previousSlope, 0.05f) << "no kink at " << x;
            }
            previous = y, previousSlope = slope;
        }
    }
}

TEST(ToneBoost, ScalesEachPixelAsAWholeAndRollsBrightColoursOffToNeutral) {
    const float white = exposureGain(0);
    const ToneBoost boost(white);
    const float pixels[][3] = {{0.18f, 0.18f, 0.18f}, {0.02f, 0.02f, 0.02f}, {0.3f, 0.1f, 0.05f},
                               {0.02f, 0.05f, 0.3f},  {0.0f, 0.4f, 0.0f},    {-0.01f, 0.2f, 0.6f},
                               {white, white, white}, {white, 0.8f, 0.1f},   {0.2f, 0.3f, white}};
    Image image(9, 1);
    for (int x = 0; x < 9; ++x) std::copy_n(pixels[x], 3, image.pixel(x, 0)), image.pixel(x, 0)[3] = 0.5f;
    boost.apply(image);
    for (int x = 0; x < 9; ++x) {
        SCOPED_TRACE(x);
        const float* in = pixels[x];
        const float* out = image.pixel(x, 0);
        EXPECT_EQ(out[3], 0.5f);
        const float top = std::max({out[0], out[1], out[2]});
        EXPECT_LT(top, 1.0f + 1e-6f);
        const float n = ToneBoost::norm(in[0], in[1], in[2]);
        if (top < 0.95f) {
            // Below white every channel is scaled alike: the ratios (the hue and saturation) stay.
            for (int c = 0; c < 3; ++c) EXPECT_NEAR(out[c], in[c] * boost.curve(n) / n, 1e-4f) << c;
        } else {
            // Near white the colour gives way: the spread between channels shrinks.
            const float spreadIn = std::max({in[0], in[1], in[2]}) - std::min({in[0], in[1], in[2]});
            const float spreadOut = top - std::min({out[0], out[1], out[2]});
            EXPECT_LE(spreadOut, spreadIn * boost.curve(n) / n + 1e-6f);
        }
    }
    EXPECT_FLOAT_EQ(ToneBoost::norm(0.3f, 0.3f, 0.3f), 0.3f) << "a grey's norm is its value";
    EXPECT_GT(ToneBoost::norm(0.02f, 0.05f, 0.3f), 0.25f) << "a saturated colour's follows its strongest channel";
}

TEST(NoiseDefaults, StartAtBaseIsoAndRiseSmoothly) {
    for (double iso : {0.0, 50.0, 64.0, 100.0, -3.0, std::nan("")}) {
        EXPECT_EQ(raw::defaultLuminanceAmount(iso), 0.0) << iso;
        EXPECT_EQ(raw::defaultColorAmount(iso), 0.0) << iso;
    }
    double lum = 0, colour = 0;
    for (double iso = 110; iso <= 12800; iso *= 1.1) {
        const double l = raw::defaultLuminanceAmount(iso), c = raw::defaultColorAmount(iso);
        EXPECT_GT(l, lum) << iso;
        if (iso < 3200) {
            EXPECT_GT(c, colour) << iso;
        } else {
            EXPECT_GE(c, colour) << iso;
        }
        EXPECT_GE(c, l) << "colour noise is reduced first, at " << iso;
        EXPECT_LT(l - lum, 0.05) << "no jumps";
        EXPECT_LT(c - colour, 0.08) << "no jumps";
        lum = l, colour = c;
    }
    EXPECT_EQ(raw::defaultLuminanceAmount(102400), raw::defaultLuminanceAmount(12800));
    EXPECT_EQ(raw::defaultColorAmount(102400), raw::defaultColorAmount(3200));
    EXPECT_LE(raw::defaultColorAmount(102400), 1.0);
}

TEST(NoiseAmounts, ZeroIsOffAndAnythingMoreActs) {
    EXPECT_EQ(raw::waveletThreshold(0), 0.0f);
    EXPECT_EQ(raw::chromaSigma(0), 0.0f);
    EXPECT_EQ(raw::medianPasses(0), 0);
    EXPECT_GT(raw::waveletThreshold(0.01), 0.0f);
    EXPECT_GT(raw::chromaSigma(0.01), 0.0f);
    EXPECT_EQ(raw::medianPasses(0.01), 1);
    // Out-of-range amounts from hand-edited sidecars stay in range.
    EXPECT_EQ(raw::waveletThreshold(7), raw::waveletThreshold(1));
    EXPECT_EQ(raw::medianPasses(-1), 0);
    EXPECT_EQ(raw::chromaSigma(std::nan("")), 0.0f);
}

// The defaults themselves, for real files: RawDecoderTest.
TEST(RawDefaults, OptionsOverrideDefaultsButNotUnsupportedLensCorrection) {
    const RawOptions supported = raw::defaultOptions(100, true);
    const RawOptions unsupported = raw::defaultOptions(100, false);
    RawOptions photo;
    photo.lensProfile = true;
    photo.appleBoost = false;
    photo.lumNR = 0.3;
    const RawOptions onUnsupported = raw::effectiveOptions(unsupported, photo);
    EXPECT_FALSE(onUnsupported.lensProfile);
    EXPECT_EQ(onUnsupported.appleBoost, false);
    EXPECT_EQ(onUnsupported.lumNR, 0.3);
    EXPECT_EQ(onUnsupported.colorNR, unsupported.colorNR);

    photo.lensProfile = false;
    EXPECT_EQ(raw::effectiveOptions(supported, photo).lensProfile, false);
    EXPECT_EQ(raw::effectiveOptions(supported, {}), supported);
}

TEST(Median9, AgreesWithSorting) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> value(-1, 1);
    for (int trial = 0; trial < 20000; ++trial) {
        std::array<float, 9> v;
        for (float& x : v) x = trial % 3 ? value(random) : std::round(value(random) * 2);  // with ties
        std::array<float, 9> sorted = v;
        std::sort(sorted.begin(), sorted.end());
        ASSERT_EQ(median9(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]), sorted[4]);
    }
}

// A grey picture with a fixed amount of colour speckle on every pixel.
Image speckledGrey(int width, int height, unsigned seed) {
    std::mt19937 random(seed);
    std::normal_distribution<float> speckle(0, 0.02f);
    return test::imageFrom(width, height, [&](int, int) {
        const float r = speckle(random), b = speckle(random);
        return std::array{0.2f + r, 0.2f - 0.3f * (r + b), 0.2f + b, 1.0f};
    });
}

double chromaSpread(const Image& image) {
    double sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const float* p = image.pixel(x, y);
            sum += (p[0] - p[1]) * (p[0] - p[1]) + (p[2] - p[1]) * (p[2] - p[1]);
        }
    return std::sqrt(sum / (image.width() * image.height()));
}

TEST(ChromaNoiseReduction, RemovesSpeckleAndKeepsLuma) {
    Image image = speckledGrey(64, 48, 1);
    const Image original = image;
    reduceChromaNoise(image, 0);
    EXPECT_EQ(0, std::memcmp(image.data(), original.data(), image.byteCount())) << "sigma 0 changes nothing";

    reduceChromaNoise(image, 3);
    EXPECT_LT(chromaSpread(image), 0.25 * chromaSpread(original));
    // Luma of the square-root encoded values is kept pixel by pixel.
    const auto luma = [](const float* p) {
        return 0.2126 * std::sqrt(p[0]) + 0.7152 * std::sqrt(p[1]) + 0.0722 * std::sqrt(p[2]);
    };
    for (int y = 0; y < 48; y += 5)
        for (int x = 0; x < 64; x += 5)
            EXPECT_NEAR(luma(image.pixel(x, y)), luma(original.pixel(x, y)), 0.01) << x << "," << y;
}

TEST(ChromaNoiseReduction, NeverTurnsNegativeAtHardColourEdges) {
    // Red on the left, a very dark grey on the right.
    Image image = test::imageFrom(40, 10, [](int x, int) {
        return x < 20 ? std::array{1.0f, 0.0f, 0.0f, 1.0f} : std::array{0.0f, 0.01f, 0.01f, 1.0f};
    });
    reduceChromaNoise(image, 5);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 40; ++x)
            for (int c = 0; c < 3; ++c) ASSERT_GE(image.pixel(x, y)[c], 0.0f) << x << "," << c;
}

TEST(MoireReduction, RemovesIsolatedFalseColourButKeepsGreenDetail) {
    Image image = test::imageFrom(32, 32, [](int x, int y) {
        const float g = 0.1f + 0.01f * ((x + y) % 5);  // texture in every channel
        return std::array{g, g, g, 1.0f};
    });
    image.pixel(10, 10)[0] += 0.5f;  // a lone magenta fleck
    image.pixel(10, 10)[2] += 0.5f;
    image.pixel(20, 5)[0] += 0.3f;  // and a red one
    const Image original = image;

    reduceMoire(image, 0);
    EXPECT_EQ(0, std::memcmp(image.data(), original.data(), image.byteCount()));
    reduceMoire(image, 1);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const float* p = image.pixel(x, y);
            ASSERT_EQ(p[1], original.pixel(x, y)[1]) << "green untouched";
            ASSERT_NEAR(p[0], p[1], 1e-6f) << x << "," << y;
            ASSERT_NEAR(p[2], p[1], 1e-6f) << x << "," << y;
        }
}

}  // namespace
}  // namespace ombrel
