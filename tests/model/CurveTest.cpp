#include "model/Curve.h"

#include <gtest/gtest.h>

#include <cmath>

namespace ombrel {
namespace {

TEST(Curve, IdentityReturnsItsInput) {
    const Curve curve(CurveSet::identity());
    for (int i = 0; i <= 100; ++i) {
        const double x = i / 100.0;
        EXPECT_NEAR(curve.eval(x), x, 1e-12) << "x = " << x;
    }
    EXPECT_EQ(curve.tangents(), (std::vector<double>{1, 1}));
}

TEST(Curve, ThreePointExampleHasExactTangentsAndValues) {
    const Curve curve({{0, 0}, {0.5, 0.8}, {1, 1}});
    ASSERT_EQ(curve.tangents().size(), 3u);
    EXPECT_DOUBLE_EQ(curve.tangents()[0], 1.6);
    EXPECT_DOUBLE_EQ(curve.tangents()[1], 1.0);
    EXPECT_DOUBLE_EQ(curve.tangents()[2], 0.4);
    EXPECT_NEAR(curve.eval(0.25), 0.4375, 1e-12);
    EXPECT_NEAR(curve.eval(0.5), 0.8, 1e-12);
    EXPECT_NEAR(curve.eval(0.75), 0.9375, 1e-12);
}

TEST(Curve, IsFlatOutsideItsEndPoints) {
    const Curve curve({{0.2, 0.1}, {0.9, 0.7}});
    for (double x : {-1.0, 0.0, 0.1, 0.2}) EXPECT_EQ(curve.eval(x), 0.1) << "x = " << x;
    for (double x : {0.9, 0.95, 1.0, 3.0}) EXPECT_EQ(curve.eval(x), 0.7) << "x = " << x;
}

TEST(Curve, SortsPointsGivenInAnyOrder) {
    const Curve curve({{1, 1}, {0, 0}});
    EXPECT_EQ(curve.points(), (CurvePoints{{0, 0}, {1, 1}}));
    for (double x : {0.0, 0.3, 0.61, 1.0}) EXPECT_NEAR(curve.eval(x), x, 1e-12);
}

TEST(Curve, SortIsStableForEqualInputs) {
    const Curve curve({{0.5, 0.9}, {1, 1}, {0.5, 0.2}, {0, 0}});
    EXPECT_EQ(curve.points(), (CurvePoints{{0, 0}, {0.5, 0.9}, {0.5, 0.2}, {1, 1}}));
}

TEST(Curve, VerticalStepDoesNotDivideByZero) {
    const Curve curve({{0, 0}, {0.5, 0.2}, {0.5, 0.8}, {1, 1}});
    for (double t : curve.tangents()) EXPECT_TRUE(std::isfinite(t));
    for (int i = 0; i <= 100; ++i) {
        const double y = curve.eval(i / 100.0);
        EXPECT_TRUE(std::isfinite(y));
        EXPECT_GE(y, 0.0);
        EXPECT_LE(y, 1.0);
    }
    // Just past the step the curve follows the upper side.
    EXPECT_NEAR(curve.eval(0.5000001), 0.8, 1e-3);
}

TEST(Curve, LimiterKeepsSteepRiseMonotoneAndBounded) {
    const Curve curve({{0, 0}, {0.1, 0.9}, {0.2, 1}, {1, 1}});
    ASSERT_EQ(curve.tangents().size(), 4u);
    EXPECT_DOUBLE_EQ(curve.tangents()[0], 9);
    EXPECT_NEAR(curve.tangents()[1], 3, 1e-12);
    EXPECT_EQ(curve.tangents()[2], 0);
    EXPECT_EQ(curve.tangents()[3], 0);

    double previous = curve.eval(0);
    for (int i = 1; i <= 1000; ++i) {
        const double x = i / 1000.0;
        const double y = curve.eval(x);
        EXPECT_GE(y, previous) << "x = " << x;
        EXPECT_LE(y, 1.0);
        if (x >= 0.2) {
            EXPECT_EQ(y, 1.0) << "x = " << x;
        }
        previous = y;
    }
}

TEST(Curve, FlatRunStaysFlat) {
    const Curve curve({{0, 0}, {0.3, 0.5}, {0.6, 0.5}, {1, 1}});
    for (int i = 30; i <= 60; ++i) EXPECT_NEAR(curve.eval(i / 100.0), 0.5, 1e-12);
}

TEST(Curve, ClampsInteriorValuesToTheUnitRange) {
    // Out-of-range points only come from hand-edited files; values between
    // them must still be clamped.
    const Curve curve({{0, -0.5}, {1, 1.5}});
    EXPECT_EQ(curve.eval(0.1), 0.0);
    EXPECT_EQ(curve.eval(0.9), 1.0);
    EXPECT_NEAR(curve.eval(0.5), 0.5, 1e-12);
}

TEST(Curve, FewerThanTwoPointsReturnsInputUnchanged) {
    const Curve empty({});
    const Curve single({{0.3, 0.7}});
    EXPECT_TRUE(empty.tangents().empty());
    EXPECT_EQ(single.tangents(), std::vector<double>{0});
    for (double x : {-2.0, 0.0, 0.4, 1.0, 7.5}) {
        EXPECT_EQ(empty.eval(x), x);
        EXPECT_EQ(single.eval(x), x);
    }
}

}  // namespace
}  // namespace ombrel
