#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "render/ops/Vignette.h"

namespace ombrel::ops {
namespace {

const VignetteParams darken{100, 80, 50, 1.0, 0.6};

TEST(Vignette, LeavesTheInsideOfTheRadiusAlone) {
    for (double d : {0.0, 10.0, 35.0, 49.9, 50.0})
        for (double angle : {0.0, 1.0, 2.5, 4.0}) {
            EXPECT_EQ(vignetteGain(darken, 100 + d * std::cos(angle), 80 + d * std::sin(angle)), 1.0f) << d;
        }
}

TEST(Vignette, FullIntensityReachesBlackBeyondTheBandAndNeverGoesNegative) {
    // The band ends at radius * (1 + falloff) = 80 from the centre.
    EXPECT_EQ(vignetteGain(darken, 100 + 80.01, 80), 0.0f);
    EXPECT_EQ(vignetteGain(darken, 100, 80 - 500), 0.0f);
    VignetteParams strong = darken;
    strong.intensity = 2.5;
    EXPECT_EQ(vignetteGain(strong, 100 + 70, 80), 0.0f);
    VignetteParams half = darken;
    half.intensity = 0.5;
    EXPECT_NEAR(vignetteGain(half, 100 + 200, 80), 0.5f, 1e-6f);
}

TEST(Vignette, RampsSmoothlyAndMonotonicallyAcrossTheBand) {
    float previous = 1.0f;
    for (double d = 50; d <= 80; d += 0.25) {
        const float g = vignetteGain(darken, 100 + d, 80);
        EXPECT_LE(g, previous) << d;
        EXPECT_LT(std::fabs(g - previous), 0.02f) << "no jumps at " << d;
        previous = g;
    }
    // Halfway across the band a smoothstep is at one half.
    EXPECT_NEAR(vignetteGain(darken, 100 + 65, 80), 0.5f, 1e-5f);
    // A smoothstep starts flat: the first pixel past the radius barely changes.
    EXPECT_GT(vignetteGain(darken, 100 + 51, 80), 0.99f);
}

TEST(Vignette, NegativeIntensityLightensAndZeroWidthBandIsAStep) {
    VignetteParams lighten = darken;
    lighten.intensity = -0.5;
    EXPECT_NEAR(vignetteGain(lighten, 100, 80 + 90), 1.5f, 1e-6f);
    VignetteParams hard = darken;
    hard.falloff = 0;
    EXPECT_EQ(vignetteGain(hard, 150, 80), 1.0f);
    EXPECT_EQ(vignetteGain(hard, 150.01, 80), 0.0f);
}

TEST(Vignette, RunMultipliesEachPixelByTheGainAtItsPosition) {
    const int n = 23;
    std::vector<float> xs(n), ys(n), r(n, 0.5f), g(n, 1.0f), b(n, 2.0f);
    for (int i = 0; i < n; ++i) xs[i] = 100 + 4.0f * i, ys[i] = 80 - 1.0f * i;
    applyVignette(darken, xs.data(), ys.data(), r.data(), g.data(), b.data(), n);
    for (int i = 0; i < n; ++i) {
        const float k = vignetteGain(darken, xs[i], ys[i]);
        EXPECT_NEAR(r[i], 0.5f * k, 1e-6f) << i;
        EXPECT_NEAR(g[i], 1.0f * k, 1e-6f) << i;
        EXPECT_NEAR(b[i], 2.0f * k, 1e-6f) << i;
    }
    EXPECT_EQ(r.front(), 0.5f);
    EXPECT_EQ(r.back(), 0.0f);
}

}  // namespace
}  // namespace ombrel::ops
