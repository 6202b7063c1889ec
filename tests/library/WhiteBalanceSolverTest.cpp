#include "library/WhiteBalanceSolver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace ombrel::whitebalance {
namespace {

// How far from neutral a colour is, relative to its brightness.
double redBlueImbalance(const Rgb& c) { return std::abs(double(c[0]) - c[2]) / (double(c[0]) + c[1] + c[2]); }
double greenImbalance(const Rgb& c) {
    return std::abs(double(c[1]) - (double(c[0]) + c[2]) / 2) / (double(c[0]) + c[1] + c[2]);
}

bool isTenth(double v) { return std::abs(v * 10 - std::round(v * 10)) < 1e-9; }

TEST(WhiteBalanceSolve, NeutralColoursNeedNoCorrection) {
    for (const Rgb& c : {Rgb{0.02f, 0.02f, 0.02f}, Rgb{0.18f, 0.18f, 0.18f}, Rgb{1, 1, 1}, Rgb{3, 3, 3},
                         Rgb{NAN, 0.2f, INFINITY}}) {  // not a number counts as grey
        const Setting s = solve(c[0], c[1], c[2]);
        EXPECT_LE(std::abs(s.temperature), 0.1) << c[1];
        EXPECT_LE(std::abs(s.tint), 0.1) << c[1];
    }
}

// Casts made by the engine's own white balance are taken out again: the
// solved setting renders the cast colour neutral.
TEST(WhiteBalanceSolve, CastsWithinReachAreNeutralised) {
    const Rgb grey{0.4f, 0.4f, 0.4f};
    for (const auto& [t0, n0] : {std::pair{30.0, 0.0}, {-45.0, 10.0}, {12.0, -35.0}, {-20.0, -20.0}}) {
        const Rgb cast = render(grey, t0, n0);
        const Setting s = solve(cast[0], cast[1], cast[2]);
        ASSERT_LT(std::abs(s.temperature), 100);
        ASSERT_LT(std::abs(s.tint), 100);
        const Rgb corrected = render(cast, s.temperature, s.tint);
        EXPECT_LT(redBlueImbalance(corrected), 0.01) << t0 << " " << n0;
        EXPECT_LT(greenImbalance(corrected), 0.01) << t0 << " " << n0;
        // A warm cast is cooled, a cool one warmed.
        EXPECT_LT(s.temperature * t0, 0) << t0;
    }
}

TEST(WhiteBalanceSolve, StrongCastsStayOnTheSliders) {
    for (const Rgb& c : {Rgb{1, 0, 0}, Rgb{0, 0, 1}, Rgb{0, 1, 0}, Rgb{1, 0, 1}, Rgb{0.001f, 0.5f, 2.0f},
                         Rgb{5, 4, 0.01f}, Rgb{0, 0, 0}, Rgb{-0.2f, 0.3f, 0.1f}}) {
        const Setting s = solve(c[0], c[1], c[2]);
        EXPECT_GE(s.temperature, -100);
        EXPECT_LE(s.temperature, 100);
        EXPECT_GE(s.tint, -100);
        EXPECT_LE(s.tint, 100);
        EXPECT_TRUE(isTenth(s.temperature) && isTenth(s.tint));
    }
    // Far too blue to fix: the warmest setting is the closest one can get.
    EXPECT_EQ(solve(0.05f, 0.3f, 1.0f).temperature, 100);
}

// The search alone, against a colour response whose zeros are known.
TEST(WhiteBalanceSearch, FindsTheZerosAndRoundsThem) {
    int calls = 0;
    const Setting s = solve([&](double t, double n) {
        ++calls;
        // Tint also pulls red against blue, so one pass would leave the
        // temperature off; the second pass corrects it.
        const float rb = static_cast<float>(0.004 * (t - 37.26) + 0.001 * n);
        const float g = static_cast<float>(-0.003 * (n + 12.34));
        return Rgb{0.5f + rb / 2, 0.5f + g, 0.5f - rb / 2};
    });
    // First pass: 37.26 at tint 0; second: 37.26 + 0.001 * 12.34 / 0.004 = 40.345.
    EXPECT_DOUBLE_EQ(s.temperature, 40.3);
    EXPECT_DOUBLE_EQ(s.tint, -12.3);
    EXPECT_EQ(calls, 2 * 2 * (2 + 16));
}

TEST(WhiteBalanceSearch, OutOfReachGivesTheCloserEnd) {
    const Setting high = solve([](double t, double n) {
        return Rgb{static_cast<float>(0.5 + 0.001 * (t - 150)), static_cast<float>(0.5 + 0.001 * (n + 170)), 0.5f};
    });
    EXPECT_EQ(high.temperature, 100);
    EXPECT_EQ(high.tint, -100);
}

TEST(WhiteBalanceRounding, HalvesGoAwayFromZero) {
    for (const auto& [value, rounded] : {std::pair{0.25, 0.3}, {-0.25, -0.3}, {1.25, 1.3}, {-37.249, -37.2}, {99.99, 100.0}})
        EXPECT_DOUBLE_EQ(roundToTenth(value), rounded) << value;
}

// A 100 x 80 frame: grey on the left, a warm colour on the right, and a red
// 3 x 3 patch in the top-left corner.
const Rgb red{1, 0, 0}, grey{0.5f, 0.5f, 0.5f}, warm{0.8f, 0.4f, 0.2f};
LoadedImage twoToneProxy() {
    auto image = std::make_shared<Image>(100, 80);
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 100; ++x) {
            const Rgb& c = x < 3 && y < 3 ? red : x >= 50 ? warm : grey;
            std::copy(c.begin(), c.end(), image->pixel(x, y));
            image->pixel(x, y)[3] = 1;
        }
    return {image, {100, 80}, 1.0, std::nullopt};
}

// The square around the point, clipped to the frame as displayed, is averaged.
TEST(WhiteBalanceSample, AveragesTheSquareOfTheFrameAsDisplayed) {
    const LoadedImage proxy = twoToneProxy();
    CropSettings rightHalf, mirrored;
    rightHalf.x = 0.5;
    rightHalf.w = 0.5;
    mirrored.flipH = true;
    const struct {
        CropSettings crop;
        double x, y;
        std::optional<Rgb> want;
    } cases[] = {
        {{}, 0, 0, red},  // only the 3 x 3 quarter of the square at the corner lies inside
        {{}, 0.25, 0.5, grey},    {{}, 1.0, 1.0, warm},       {{}, 1.2, 0.5, std::nullopt},
        {{}, 0.5, -0.1, std::nullopt}, {rightHalf, 0.25, 0.5, warm}, {mirrored, 0.1, 0.5, warm},
        {mirrored, 1.0, 0.0, red},
    };
    for (const auto& c : cases) {
        const std::optional<Rgb> got = sample(proxy, c.crop, c.x, c.y);
        ASSERT_EQ(got.has_value(), c.want.has_value()) << c.x << ", " << c.y;
        for (int ch = 0; got && ch < 3; ++ch) EXPECT_NEAR((*got)[ch], (*c.want)[ch], 1e-3) << c.x << ", " << c.y;
    }
}

}  // namespace
}  // namespace ombrel::whitebalance
