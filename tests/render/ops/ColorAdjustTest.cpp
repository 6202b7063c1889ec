#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "render/ops/ColorMatrix.h"
#include "render/ops/Saturation.h"
#include "render/ops/WhiteBalance.h"

namespace ombrel::ops {
namespace {

using Rgb = std::array<float, 3>;

Rgb through(const Mat3& m, Rgb c) {
    applyMatrix(m, &c[0], &c[1], &c[2], 1);
    return c;
}

// Linear sRGB of a chromaticity (x, y) at Y = 1, with the published D65 matrix.
Rgb srgbOfChromaticity(double x, double y) {
    const double X = x / y, Z = (1 - x - y) / y;
    return {static_cast<float>(3.2404542 * X - 1.5371385 - 0.4985314 * Z),
            static_cast<float>(-0.9692660 * X + 1.8760108 + 0.0415560 * Z),
            static_cast<float>(0.0556434 * X - 0.2040259 + 1.0572252 * Z)};
}

float luminance(Rgb c) { return 0.2126f * c[0] + 0.7152f * c[1] + 0.0722f * c[2]; }

TEST(ColorMatrix, ProductComposesLikeApplyingInTurn) {
    const Mat3 a{{1.2f, -0.1f, 0.05f, 0.3f, 0.9f, -0.2f, 0.0f, 0.25f, 1.1f}};
    const Mat3 b{{0.8f, 0.1f, 0.1f, -0.05f, 1.3f, 0.0f, 0.2f, -0.4f, 0.7f}};
    const Rgb c{0.3f, -0.2f, 1.7f};
    const Rgb once = through(a * b, c);
    const Rgb twice = through(a, through(b, c));
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(once[i], twice[i], 1e-5f) << i;
    EXPECT_EQ(Mat3::identity() * a, a);
    EXPECT_EQ(through(Mat3::scaling(4.0f), c), (Rgb{1.2f, -0.8f, 6.8f}));
}

TEST(ColorMatrix, RunsOverEveryPixelOfTheRun) {
    const Mat3 swap{{0, 0, 1, 0, 1, 0, 1, 0, 0}};
    float r[7], g[7], b[7];
    for (int i = 0; i < 7; ++i) r[i] = i, g[i] = 10 + i, b[i] = 20 + i;
    applyMatrix(swap, r, g, b, 7);
    for (int i = 0; i < 7; ++i) EXPECT_EQ((Rgb{r[i], g[i], b[i]}), (Rgb{20.0f + i, 10.0f + i, float(i)})) << i;
}

// Equal white points change nothing; any other pair keeps the luminance of grey.
TEST(WhiteBalance, EqualWhitePointsGiveIdentityAndOthersKeepTheLuminanceOfGrey) {
    for (const WhitePoint w : {WhitePoint{6500, 0}, WhitePoint{4000, 30}, WhitePoint{9200, -120}}) {
        const Mat3 m = temperatureTintMatrix(w, w);
        for (int i = 0; i < 9; ++i) EXPECT_NEAR(m.m[i], Mat3::identity().m[i], 1e-6f) << w.kelvin << " " << i;
    }
    for (double k = 3500; k <= 9500; k += 1500)
        for (double tint = -150; tint <= 150; tint += 75) {
            const Rgb out = through(temperatureTintMatrix({6500, 0}, {k, tint}), Rgb{0.4f, 0.4f, 0.4f});
            EXPECT_NEAR(luminance(out), 0.4f, 1e-5f) << k << " " << tint;
        }
}

TEST(WhiteBalance, MakesTheTargetBlackbodyWhiteNeutral) {
    // Published CIE xy of blackbody radiators; a white lit by the target light
    // must come out with the colour of the neutral white. The tables carry four
    // decimals, worth a few thousandths in these ratios.
    struct Case {
        double kelvin, x, y;
    };
    const Case neutral{6500, 0.3135, 0.3237};
    for (const Case t : {Case{4000, 0.3805, 0.3768}, Case{5000, 0.3451, 0.3516}, Case{10000, 0.2807, 0.2884}}) {
        const Rgb out =
            through(temperatureTintMatrix({neutral.kelvin, 0}, {t.kelvin, 0}), srgbOfChromaticity(t.x, t.y));
        const Rgb want = srgbOfChromaticity(neutral.x, neutral.y);
        EXPECT_NEAR(out[0] / out[1], want[0] / want[1], 8e-3) << t.kelvin;
        EXPECT_NEAR(out[2] / out[1], want[2] / want[1], 8e-3) << t.kelvin;
    }
}

// The white-balance solve bisects on the target, so each balance must move
// one way only across the whole slider range, for greys and for casts: a
// warmer target adds red against blue, a more magenta one takes green away.
const Rgb samples[] = {{0.5f, 0.5f, 0.5f}, {0.6f, 0.4f, 0.2f}, {0.15f, 0.3f, 0.7f}, {0.3f, 0.6f, 0.25f}};

TEST(WhiteBalance, RedAgainstBlueRisesWithTemperatureAndMagentaWithTint) {
    const auto balanced = [](double kelvin, double tint, Rgb c) {
        return through(temperatureTintMatrix({6500, 0}, {kelvin, tint}), c);
    };
    for (const Rgb& c : samples) {
        for (double tint = -150; tint <= 150; tint += 50) {
            double previous = -1e30;
            for (double k = 3500; k <= 9500; k += 25) {
                const Rgb out = balanced(k, tint, c);
                const double warmth = (out[0] - out[2]) / luminance(out);
                ASSERT_GT(warmth, previous) << "kelvin " << k << " tint " << tint;
                previous = warmth;
            }
        }
        for (double k = 3500; k <= 9500; k += 1000) {
            double previous = -1e30;
            for (double tint = -150; tint <= 150; tint += 2) {
                const Rgb out = balanced(k, tint, c);
                const double magenta = ((out[0] + out[2]) / 2 - out[1]) / luminance(out);
                ASSERT_GT(magenta, previous) << "kelvin " << k << " tint " << tint;
                previous = magenta;
            }
        }
    }
}

// HSV-style saturation, the quantity vibrance is meant to favour.
float saturationOf(Rgb c) {
    const float hi = std::max({c[0], c[1], c[2]}), lo = std::min({c[0], c[1], c[2]});
    return (hi - lo) / hi;
}

Rgb vibrant(float amount, Rgb c) {
    vibrance(amount, &c[0], &c[1], &c[2], 1);
    return c;
}

const Rgb colours[] = {{0.8f, 0.2f, 0.1f}, {0.1f, 0.5f, 0.9f}, {0.4f, 0.42f, 0.38f}, {1.3f, -0.1f, 0.6f}};
constexpr int runLength = 19;  // beyond any vector width and no multiple of one

// `op` over a run of the colours repeated.
std::vector<Rgb> applied(void (*op)(float, float*, float*, float*, int), float amount) {
    std::vector<float> r, g, b;
    for (int i = 0; i < runLength; ++i) {
        const Rgb& c = colours[i % 4];
        r.push_back(c[0]), g.push_back(c[1]), b.push_back(c[2]);
    }
    op(amount, r.data(), g.data(), b.data(), runLength);
    std::vector<Rgb> out;
    for (int i = 0; i < runLength; ++i) out.push_back({r[i], g[i], b[i]});
    return out;
}

// Saturation 0 gives the Rec. 709 grey and moves every channel away from it
// by the factor; neither control changes luminance, and vibrance 0 changes nothing.
TEST(Saturation, ScalesTheDistanceFromTheRec709GreyAndBothKeepLuminance) {
    const auto grey = applied(saturate, 0.0f), same = applied(saturate, 1.0f), more = applied(saturate, 1.7f);
    const auto unchanged = applied(vibrance, 0.0f), up = applied(vibrance, 0.8f), down = applied(vibrance, -0.8f);
    for (int i = 0; i < runLength; ++i) {
        const Rgb& c = colours[i % 4];
        for (float v : grey[i]) EXPECT_NEAR(v, 0.2126f * c[0] + 0.7152f * c[1] + 0.0722f * c[2], 1e-6f) << i;
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(more[i][k] - grey[i][k], 1.7f * (c[k] - grey[i][k]), 1e-5f) << i;
        EXPECT_EQ(same[i], c) << i;
        EXPECT_EQ(unchanged[i], c) << i;
        for (const std::vector<Rgb>* changed : {&more, &up, &down})
            EXPECT_NEAR(luminance((*changed)[i]), luminance(c), 1e-6f) << i;
    }
}

TEST(Vibrance, MovesDullColoursMoreThanVividOnes) {
    const Rgb dull{0.30f, 0.42f, 0.50f}, vivid{0.05f, 0.25f, 0.90f};  // same hue family, blue
    const float gainDull = saturationOf(vibrant(0.8f, dull)) / saturationOf(dull);
    const float gainVivid = saturationOf(vibrant(0.8f, vivid)) / saturationOf(vivid);
    EXPECT_GT(gainDull, 1.2f);
    EXPECT_GT(gainVivid, 1.0f);
    EXPECT_LT(gainVivid - 1, 0.3f * (gainDull - 1));
    const float lossDull = saturationOf(vibrant(-0.8f, dull)) / saturationOf(dull);
    const float lossVivid = saturationOf(vibrant(-0.8f, vivid)) / saturationOf(vivid);
    EXPECT_LT(lossDull, 0.8f);
    EXPECT_LT(lossVivid, 1.0f);
    EXPECT_GT(lossVivid, lossDull);
}

TEST(Vibrance, SparesSkinTonesAgainstOtherHuesOfEqualSaturation) {
    // A skin tone (hue about 25 degrees) and a green of the same HSV
    // saturation and value.
    const Rgb skin{0.80f, 0.56f, 0.40f}, green{0.40f, 0.80f, 0.56f};
    ASSERT_NEAR(saturationOf(skin), saturationOf(green), 1e-6f);
    const float skinGain = saturationOf(vibrant(0.8f, skin)) / saturationOf(skin);
    const float greenGain = saturationOf(vibrant(0.8f, green)) / saturationOf(green);
    EXPECT_GT(skinGain, 1.0f);
    EXPECT_LT(skinGain - 1, 0.7f * (greenGain - 1));
}

}  // namespace
}  // namespace ombrel::ops
