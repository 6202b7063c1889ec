#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "render/ops/BumpDistortion.h"
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

double distance(Point a, Point b) { return std::hypot(a.x - b.x, a.y - b.y); }

const Point centre{400, 300};

BumpParams bump(double scale) { return {centre.x, centre.y, 250, scale}; }

Point along(double d, double angle) { return {centre.x + d * std::cos(angle), centre.y + d * std::sin(angle)}; }

// Along a ray: a bulge samples nearer the centre (magnifying it), a pinch
// farther out, on the same ray; the source distance rises strictly, so the
// picture never folds, and meets the point itself at the radius, beyond
// which nothing moves.
TEST(BumpDistortion, SourceAlongARayFromTheCentre) {
    for (double scale : {-0.6, -0.3, 0.3, 0.6}) {
        double previous = -1;
        for (double d = 0.25; d <= 400; d += 0.5) {  // never exactly on the radius
            const Point p = along(d, 2.3), s = bumpSource(bump(scale), p);
            const double sd = distance(s, centre);
            if (d > 250) {
                ASSERT_EQ(s.x, p.x) << "scale " << scale << " at " << d;
                ASSERT_EQ(s.y, p.y) << "scale " << scale << " at " << d;
                continue;
            }
            ASSERT_GT(sd, previous) << "scale " << scale << " at " << d;
            ASSERT_EQ(sd < d, scale > 0) << "scale " << scale << " at " << d;
            ASSERT_EQ(sd > d, scale < 0) << "scale " << scale << " at " << d;
            ASSERT_NEAR(std::atan2(s.y - centre.y, s.x - centre.x), std::atan2(p.y - centre.y, p.x - centre.x), 1e-12);
            if (d > 249.5) {
                ASSERT_LT(std::fabs(sd - d), 3e-3) << "continuous at the radius, scale " << scale;
            }
            previous = sd;
        }
    }
    const Point inside = along(100, 2.0);
    EXPECT_DOUBLE_EQ(bumpSource(bump(0), inside).x, inside.x);
    EXPECT_DOUBLE_EQ(bumpSource(BumpParams{centre.x, centre.y, 0, 0.5}, inside).y, inside.y);
    EXPECT_EQ(bumpSource(bump(0.5), centre).x, centre.x);
}

TEST(BumpDistortion, RunsAgreeWithSinglePointsAndLeaveTheOutsideExactly) {
    for (double scale : {0.6, -0.6, 1.0}) {
        std::vector<float> xs, ys;
        for (double d = 0; d < 400; d += 3.7) {
            const Point p = along(d, 0.3 + d / 50);
            xs.push_back(static_cast<float>(p.x));
            ys.push_back(static_cast<float>(p.y));
        }
        std::vector<float> rx = xs, ry = ys;
        bumpSourceRun(bump(scale), rx.data(), ry.data(), static_cast<int>(rx.size()));
        for (std::size_t i = 0; i < xs.size(); ++i) {
            const Point want = bumpSource(bump(scale), {xs[i], ys[i]});
            EXPECT_NEAR(rx[i], want.x, 2e-3) << i;
            EXPECT_NEAR(ry[i], want.y, 2e-3) << i;
            if (want.x == xs[i] && want.y == ys[i]) {
                EXPECT_EQ(rx[i], xs[i]);
                EXPECT_EQ(ry[i], ys[i]);
            }
        }
    }
}

}  // namespace
}  // namespace ombrel::ops
