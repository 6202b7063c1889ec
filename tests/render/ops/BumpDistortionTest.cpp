#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "render/ops/BumpDistortion.h"

namespace ombrel::ops {
namespace {

double distance(Point a, Point b) { return std::hypot(a.x - b.x, a.y - b.y); }

const Point centre{400, 300};

BumpParams bump(double scale) { return {centre.x, centre.y, 250, scale}; }

Point along(double d, double angle) { return {centre.x + d * std::cos(angle), centre.y + d * std::sin(angle)}; }

TEST(BumpDistortion, LeavesEverythingOutsideTheRadiusAndZeroScaleAlone) {
    for (double d : {250.0, 251.0, 1000.0}) {
        const Point p = along(d, 0.7);
        EXPECT_EQ(bumpSource(bump(0.6), p).x, p.x);
        EXPECT_EQ(bumpSource(bump(-0.6), p).y, p.y);
    }
    const Point inside = along(100, 2.0);
    EXPECT_DOUBLE_EQ(bumpSource(bump(0), inside).x, inside.x);
    EXPECT_DOUBLE_EQ(bumpSource(BumpParams{centre.x, centre.y, 0, 0.5}, inside).y, inside.y);
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

TEST(BumpDistortion, IsContinuousAtTheRadius) {
    for (double scale : {0.6, -0.6}) {
        const Point in = bumpSource(bump(scale), along(250 - 1e-3, 1.1));
        const Point out = bumpSource(bump(scale), along(250 + 1e-3, 1.1));
        EXPECT_LT(distance(in, out), 3e-3) << scale;
    }
}

TEST(BumpDistortion, PositiveScaleBulgesNegativePinches) {
    // A bulge samples nearer the centre (magnifying it); a pinch farther out.
    for (double d : {5.0, 60.0, 200.0}) {
        const Point p = along(d, -0.4);
        EXPECT_LT(distance(bumpSource(bump(0.5), p), centre), d - 0.01) << d;
        EXPECT_GT(distance(bumpSource(bump(-0.5), p), centre), d + 0.01) << d;
    }
    // Directions are kept: the source lies on the same ray from the centre.
    const Point s = bumpSource(bump(0.5), along(120, 0.9));
    EXPECT_NEAR(std::atan2(s.y - centre.y, s.x - centre.x), 0.9, 1e-12);
    EXPECT_EQ(bumpSource(bump(0.5), centre).x, centre.x);
}

TEST(BumpDistortion, SourceDistanceIncreasesStrictlySoThePictureNeverFolds) {
    for (double scale : {-0.6, -0.3, 0.3, 0.6}) {
        double previous = -1;
        for (double d = 0; d <= 260; d += 0.5) {
            const double s = distance(bumpSource(bump(scale), along(d, 2.3)), centre);
            ASSERT_GT(s, previous) << "scale " << scale << " at " << d;
            previous = s;
        }
    }
}

}  // namespace
}  // namespace ombrel::ops
