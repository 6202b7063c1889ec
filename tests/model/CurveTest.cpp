#include "model/Curve.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

namespace ombrel {
namespace {

using ::testing::DoubleEq;
using ::testing::DoubleNear;
using ::testing::ElementsAre;

TEST(Curve, EvaluatesTheseCurvesAtTheseInputs) {
    struct Case {
        CurvePoints points;
        std::vector<std::pair<double, double>> xy;
        const char* why;
    };
    const Case cases[] = {
        {CurveSet::identity(), {{0, 0}, {0.13, 0.13}, {0.5, 0.5}, {0.77, 0.77}, {1, 1}}, "identity"},
        {{{0.2, 0.1}, {0.9, 0.7}}, {{-1, 0.1}, {0, 0.1}, {0.2, 0.1}, {0.9, 0.7}, {1, 0.7}, {3, 0.7}},
         "flat outside the end points"},
        {{{1, 1}, {0, 0}}, {{0, 0}, {0.3, 0.3}, {0.61, 0.61}, {1, 1}}, "points given in any order"},
        {{{0, 0}, {0.3, 0.5}, {0.6, 0.5}, {1, 1}}, {{0.3, 0.5}, {0.41, 0.5}, {0.52, 0.5}, {0.6, 0.5}},
         "a flat run stays flat"},
        // Out-of-range points only come from hand-edited files.
        {{{0, -0.5}, {1, 1.5}}, {{0.1, 0}, {0.5, 0.5}, {0.9, 1}}, "interior values clamped to 0...1"},
        {{}, {{-2, -2}, {0.4, 0.4}, {7.5, 7.5}}, "no points: the input unchanged"},
        {{{0.3, 0.7}}, {{-2, -2}, {0.4, 0.4}, {7.5, 7.5}}, "one point: the input unchanged"},
    };
    for (const Case& c : cases) {
        const Curve curve(c.points);
        for (const auto& [x, y] : c.xy) EXPECT_NEAR(curve.eval(x), y, 1e-12) << c.why << " at " << x;
    }
    EXPECT_EQ(Curve(CurveSet::identity()).tangents(), (std::vector<double>{1, 1}));
    EXPECT_TRUE(Curve({}).tangents().empty());
    EXPECT_EQ(Curve({{0.3, 0.7}}).tangents(), std::vector<double>{0});
}

TEST(Curve, ThreePointExampleHasExactTangentsAndValues) {
    const Curve curve({{0, 0}, {0.5, 0.8}, {1, 1}});
    EXPECT_THAT(curve.tangents(), ElementsAre(DoubleEq(1.6), DoubleEq(1.0), DoubleEq(0.4)));
    EXPECT_NEAR(curve.eval(0.25), 0.4375, 1e-12);
    EXPECT_NEAR(curve.eval(0.5), 0.8, 1e-12);
    EXPECT_NEAR(curve.eval(0.75), 0.9375, 1e-12);
}

TEST(Curve, SortsPointsStablyForEqualInputs) {
    EXPECT_EQ(Curve({{1, 1}, {0, 0}}).points(), (CurvePoints{{0, 0}, {1, 1}}));
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
    EXPECT_THAT(curve.tangents(), ElementsAre(DoubleEq(9), DoubleNear(3, 1e-12), 0, 0));
    // Just past the limit (a² + b² = 1 + 2.95² = 9.7025): both ends scaled by 3 / √9.7025.
    const double t = 3 / std::sqrt(9.7025);
    EXPECT_THAT(Curve({{0, 0}, {0.5, 0.1}, {1, 0.59}}).tangents(),
                ElementsAre(DoubleNear(0.2 * t, 1e-9), DoubleNear(0.59 * t, 1e-9), DoubleNear(0.98, 1e-9)));

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

}  // namespace
}  // namespace ombrel
