#include <gtest/gtest.h>

#include <array>

#include "render/ops/ColorMatrix.h"
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

}  // namespace
}  // namespace ombrel::ops
