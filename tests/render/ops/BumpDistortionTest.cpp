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
