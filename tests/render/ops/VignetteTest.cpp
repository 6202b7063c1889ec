#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "render/ops/Vignette.h"

namespace ombrel::ops {
namespace {

// Centred on (100, 80); the band runs from the radius, 50, to
// radius * (1 + falloff) = 80 from the centre.
VignetteParams vignette(double intensity, double falloff = 0.6) { return {100, 80, 50, intensity, falloff}; }
const VignetteParams darken = vignette(1.0);

TEST(Vignette, GainAtDistancesFromTheCentre) {
    struct Case {
        const char* what;
        VignetteParams params;
        double dx, dy;
        float gain, tolerance;
    };
    const Case cases[] = {
        {"centre", darken, 0, 0, 1, 0},
        {"inside the radius", darken, -21, 28, 1, 0},
        {"on the radius", darken, 30, -40, 1, 0},
        {"a smoothstep starts flat", darken, 51, 0, 1, 0.01f},
        {"a smoothstep is at one half halfway across the band", darken, 65, 0, 0.5f, 1e-5f},
        {"full intensity is black just past the band", darken, 80.01, 0, 0, 0},
        {"and far beyond", darken, 0, -500, 0, 0},
        {"stronger than full never goes negative", vignette(2.5), 70, 0, 0, 0},
        {"half intensity", vignette(0.5), 200, 0, 0.5f, 1e-6f},
        {"negative intensity lightens", vignette(-0.5), 0, 90, 1.5f, 1e-6f},
        {"a zero-width band is a step: inside", vignette(1.0, 0), 50, 0, 1, 0},
        {"a zero-width band is a step: outside", vignette(1.0, 0), 50.01, 0, 0, 0},
    };
    for (const Case& c : cases) EXPECT_NEAR(vignetteGain(c.params, 100 + c.dx, 80 + c.dy), c.gain, c.tolerance) << c.what;
}

TEST(Vignette, RampsSmoothlyAndMonotonicallyAcrossTheBand) {
    float previous = 1.0f;
    for (double d = 50; d <= 80; d += 0.25) {
        const float g = vignetteGain(darken, 100 + d, 80);
        EXPECT_LE(g, previous) << d;
        EXPECT_LT(std::fabs(g - previous), 0.02f) << "no jumps at " << d;
        previous = g;
    }
}

TEST(Vignette, RunMultipliesEachPixelByTheGainAtItsPosition) {
    const int n = 23;
    std::vector<float> xs(n), ys(n), r(n, 0.5f), g(n, 1.0f), b(n, 2.0f);
    for (int i = 0; i < n; ++i) xs[i] = 100 + 4.0f * i, ys[i] = 80 - 1.0f * i;
    applyVignette(darken, xs.data(), ys.data(), r.data(), g.data(), b.data(), n);
    for (int i = 0; i < n; ++i)
        for (const auto& [plane, value] : {std::pair{&r, 0.5f}, {&g, 1.0f}, {&b, 2.0f}})
            EXPECT_NEAR((*plane)[i], value * vignetteGain(darken, xs[i], ys[i]), 1e-6f) << i;
    EXPECT_EQ(r.front(), 0.5f);
    EXPECT_EQ(r.back(), 0.0f);
}

}  // namespace
}  // namespace ombrel::ops
