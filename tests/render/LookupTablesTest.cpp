#include "model/Curve.h"
#include "render/LookupTables.h"
#include "render/Pipeline.h"

#include <gtest/gtest.h>

#include <cmath>

// Settings name only the fields a test changes; the others keep their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace ombrel {
namespace {

std::array<float, 4> entry(const std::vector<float>& cube, int n, int r, int g, int b) {
    const std::size_t i = ((std::size_t(b) * n + g) * n + r) * 4;
    return {cube[i], cube[i + 1], cube[i + 2], cube[i + 3]};
}

double hueOf(const std::array<double, 3>& c) {
    const double max = std::max({c[0], c[1], c[2]}), min = std::min({c[0], c[1], c[2]});
    const double d = max - min;
    double h = max == c[0] ? 60 * std::fmod((c[1] - c[2]) / d, 6.0)
               : max == c[1] ? 60 * ((c[2] - c[0]) / d + 2)
                             : 60 * ((c[0] - c[1]) / d + 4);
    return h < 0 ? h + 360 : h;
}

TEST(ToneTable, DefaultsMapEveryGridPointToItself) {
    const auto channels = toneChannels(EditSettings{});
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < toneCubeSize; ++i) EXPECT_NEAR(channels[c][i], i / 63.0, 1e-6);
    const auto cube = toneCube(channels);
    ASSERT_EQ(cube.size() * sizeof(float), 4194304u);
    EXPECT_EQ(entry(cube, 64, 10, 20, 30), (std::array<float, 4>{channels[0][10], channels[1][20], channels[2][30], 1}));
}

TEST(ToneTable, ContrastBlendsTowardTheSCurve) {
    const EditSettings full{.contrast = 100}, flat{.contrast = -100};
    EXPECT_DOUBLE_EQ(basicTone(0.25, full), 0.15625);
    EXPECT_DOUBLE_EQ(basicTone(0.75, full), 0.84375);
    EXPECT_LT(basicTone(0.2, flat), basicTone(0.3, flat)) << "a line pulled toward mid-grey is still monotone";
}

TEST(ToneTable, SlidersActWhereTheyShould) {
    const EditSettings highlights{.highlights = 100}, shadows{.shadows = -100}, whites{.whites = 100},
        blacks{.blacks = 100};
    EXPECT_DOUBLE_EQ(basicTone(0.3, highlights), 0.3) << "highlights act above 0.45 only";
    EXPECT_GT(basicTone(0.8, highlights), 0.8);
    EXPECT_DOUBLE_EQ(basicTone(0.7, shadows), 0.7) << "shadows act below 0.55 only";
    EXPECT_LT(basicTone(0.2, shadows), 0.2);
    EXPECT_DOUBLE_EQ(basicTone(1.0, whites), 1.0) << "clamped";
    EXPECT_NEAR(basicTone(0.5, whites), 0.5 + 0.2 * 0.125, 1e-12);
    EXPECT_NEAR(basicTone(0.0, blacks), 0.2, 1e-12);
}

TEST(ToneTable, CurvesFollowTheSliders) {
    const EditSettings s{.curves = {.master = {{0, 0}, {0.5, 0.8}, {1, 1}}, .blue = {{0, 0.1}, {1, 1}}}};
    const auto channels = toneChannels(s);
    const Curve master(s.curves.master), blue(s.curves.blue);
    for (int i : {0, 16, 31, 47, 63}) {
        EXPECT_FLOAT_EQ(channels[0][i], master.eval(i / 63.0));
        EXPECT_FLOAT_EQ(channels[2][i], blue.eval(master.eval(i / 63.0)));
    }
}

TEST(ToneTable, KeyCoversTonesAndCurvesOnly) {
    const auto base = toneKey(EditSettings{});
    EXPECT_EQ(toneKey({.exposure = 1, .saturation = 20}), base);
    EXPECT_NE(toneKey({.curves = {.red = {{0, 0}, {0.5, 0.6}, {1, 1}}}}), base);
    EXPECT_NE(toneKey({.curves = {.green = {{1, 1}, {0, 0}}}}), base) << "same curve, other point order";
}

TEST(HslTable, RedHueShiftTurnsRedTowardOrange) {
    const HSLSettings hsl{.hue = {100, 0, 0, 0, 0, 0, 0, 0}};
    EXPECT_NEAR(hueOf(hslAdjust(1, 0, 0, hsl)), 30, 1e-9);
    // H 350: Red weighs 7/9, so the shift is 23.33 degrees.
    EXPECT_NEAR(hueOf(hslAdjust(1, 0, 1.0 / 6, hsl)), 13.333333, 1e-5);

    const auto cube = hslCube(hsl);
    ASSERT_EQ(cube.size() * sizeof(float), 574992u);
    const auto red = entry(cube, 33, 32, 0, 0);
    EXPECT_NEAR(red[0], 1, 1e-6);
    EXPECT_NEAR(red[1], 0.5, 1e-6);
    EXPECT_NEAR(red[2], 0, 1e-6);
}

TEST(HslTable, BandWeightsOverlapWithoutNormalising) {
    // Hue 90 lies between Yellow and Green and takes a third of each.
    const HSLSettings yellow{.sat = {0, 0, -100, 0, 0, 0, 0, 0}};
    const auto c = hslAdjust(0.75, 1.0, 0.5, yellow);  // H 90, S 0.5, V 1
    const double s = (std::max({c[0], c[1], c[2]}) - std::min({c[0], c[1], c[2]})) / std::max({c[0], c[1], c[2]});
    EXPECT_NEAR(s, 0.5 * (1 - 1.0 / 3), 1e-9);

    const HSLSettings lum{.lum = {0, 0, 0, 100, 0, 0, 0, 0}};  // Green, at its centre: brightness x 1.5, clamped
    EXPECT_NEAR(std::max({hslAdjust(0.1, 0.6, 0.1, lum)[1]}), 0.9, 1e-9);
}

TEST(HslTable, GreysAndWeakColoursAreProtected) {
    HSLSettings strong;
    for (std::size_t k = 0; k < 8; ++k) strong.hue[k] = strong.sat[k] = strong.lum[k] = 100;
    const auto grey = hslAdjust(0.4, 0.4, 0.4, strong);
    EXPECT_EQ(grey, (std::array<double, 3>{0.4, 0.4, 0.4}));
    const auto cube = hslCube(strong);
    for (int i : {0, 7, 32}) {
        const auto e = entry(cube, 33, i, i, i);
        EXPECT_FLOAT_EQ(e[0], i / 32.0f);
        EXPECT_FLOAT_EQ(e[2], i / 32.0f);
    }
    // A band array of the wrong length is never read past its end.
    HSLSettings shortArrays;
    shortArrays.hue.resize(2);
    EXPECT_NO_FATAL_FAILURE(hslCube(shortArrays));
}

TEST(ClipTable, MarksHighlightsRedAndShadowsBlue) {
    const auto cube = clipCube();
    using E = std::array<float, 4>;
    for (int i : {0, 17, 63}) {
        EXPECT_EQ(entry(cube, 64, 63, i, 0), (E{1, 0, 0, 1}));
        EXPECT_EQ(entry(cube, 64, i, 63, 40), (E{1, 0, 0, 1}));
        EXPECT_EQ(entry(cube, 64, 5, i, 63), (E{1, 0, 0, 1}));
    }
    EXPECT_EQ(entry(cube, 64, 0, 0, 0), (E{0, 0.35f, 1, 1}));
    EXPECT_EQ(entry(cube, 64, 1, 1, 1), (E{0, 0.35f, 1, 1}));
    EXPECT_EQ(entry(cube, 64, 1, 32, 1), (E{1 / 63.0f, 32 / 63.0f, 1 / 63.0f, 1}));
    EXPECT_EQ(entry(cube, 64, 62, 62, 62), (E{62 / 63.0f, 62 / 63.0f, 62 / 63.0f, 1}));
}

}  // namespace
}  // namespace ombrel
