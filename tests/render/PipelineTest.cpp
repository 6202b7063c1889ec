#include "model/Curve.h"
#include "render/LookupTables.h"
#include "render/Pipeline.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <variant>

namespace ombrel {
namespace {

std::shared_ptr<const Image> blank(int w, int h) { return std::make_shared<const Image>(w, h); }

// The stage kinds of a graph as short names, to compare whole graphs at once.
std::vector<std::string> kinds(const Graph& g) {
    static const char* const names[] = {"wb",   "exposure", "encode",     "decode",   "cube",
                                        "saturation", "vibrance", "nr", "colornr",  "sharpen",
                                        "distortion", "vignette", "orient", "straighten", "crop"};
    static_assert(std::size(names) == std::variant_size_v<Stage>, "one name for each kind of stage");
    std::vector<std::string> out;
    for (const Stage& s : g.stages) {
        out.push_back(names[s.index()]);
        if (const auto* c = std::get_if<stage::ColorCube>(&s)) out.back() += std::to_string(c->cube.dimension);
        if (const auto* o = std::get_if<stage::Orient>(&s)) out.back() += std::to_string(o->orientation);
    }
    return out;
}

using Names = std::vector<std::string>;

// Neutral, negative and negligible controls build no stage; the clipping
// overlay and an HSL change bring their own encode and decode.
TEST(Pipeline, OnlyControlsThatActBuildStages) {
    Pipeline p;
    const EditSettings idle{.sharpAmount = -10, .lumNR = -10, .colorNR = -10, .crop = {.angle = 0.005}};
    const Graph g = p.build(blank(30, 20), idle, 1, false, false);
    EXPECT_TRUE(g.stages.empty());
    EXPECT_EQ(g.width(), 30);
    EXPECT_EQ(g.height(), 20);
    EXPECT_EQ(kinds(p.build(blank(30, 20), EditSettings{}, 1, false, true)), (Names{"encode", "cube64", "decode"}));
    const EditSettings hslOnly{.hsl = {.lum = {0, 0, 0, 0, 0, 0, -10, 0}}};
    EXPECT_EQ(kinds(p.build(blank(10, 10), hslOnly, 1, false, false)), (Names{"encode", "cube33", "decode"}));
}

TEST(Pipeline, EveryStageInOrder) {
    EditSettings s{.exposure = 0.5, .contrast = 10, .temperature = 10, .vibrance = 5, .saturation = 5,
                   .sharpAmount = 10, .lumNR = 10, .colorNR = 10, .vignette = -5, .distortion = -5,
                   .crop = {.w = 0.5, .angle = 2, .quarterTurns = 3, .flipH = true, .flipV = true}};
    s.hsl.sat[4] = 20;
    Pipeline p;
    EXPECT_EQ(kinds(p.build(blank(30, 20), s, 1, false, true)),
              (Names{"wb", "exposure", "encode", "cube64", "cube33", "decode", "saturation", "vibrance", "nr",
                     "colornr", "sharpen", "distortion", "vignette", "orient2", "orient4", "orient8", "straighten",
                     "crop", "encode", "cube64", "decode"}));
}

TEST(Pipeline, StageParametersFollowTheSliders) {
    const EditSettings s{.tint = 5, .vibrance = 30, .saturation = -40, .lumNR = 50, .vignette = -20, .distortion = 50};
    Pipeline p;
    const Graph g = p.build(blank(300, 400), s, 1, false, false);
    const auto wb = g.stagesOf<stage::WhiteBalance>().at(0);
    EXPECT_EQ(std::pair(wb.neutral.kelvin, wb.neutral.tint), std::pair(6500.0, 0.0));
    EXPECT_EQ(std::pair(wb.target.kelvin, wb.target.tint), std::pair(6500.0, 7.5));
    EXPECT_FLOAT_EQ(g.stagesOf<stage::Saturation>().at(0).factor, 0.6f);
    EXPECT_FLOAT_EQ(g.stagesOf<stage::Vibrance>().at(0).amount, 0.3f);
    EXPECT_FLOAT_EQ(g.stagesOf<stage::NoiseReduction>().at(0).noiseLevel, 0.04f);
    EXPECT_FLOAT_EQ(g.stagesOf<stage::NoiseReduction>().at(0).sharpness, 0.4f);
    const auto v = g.stagesOf<stage::Vignette>().at(0).params;
    EXPECT_EQ(std::pair(v.cx, v.cy), std::pair(150.0, 200.0));
    EXPECT_DOUBLE_EQ(v.radius, 500 * 0.5 * 0.55);
    EXPECT_DOUBLE_EQ(v.intensity, 0.2);
    EXPECT_DOUBLE_EQ(v.falloff, 0.6);
    const auto d = g.stagesOf<stage::BumpDistortion>().at(0).params;
    EXPECT_DOUBLE_EQ(d.radius, 250);
    EXPECT_DOUBLE_EQ(d.scale, 0.3);
}

TEST(Pipeline, RadiiScaleWithTheImageButKeepTheirMinimums) {
    const EditSettings s{.sharpAmount = 50, .colorNR = 10};
    Pipeline p;
    const Graph small = p.build(blank(10, 10), s, 0.25, false, false);
    EXPECT_DOUBLE_EQ(small.stagesOf<stage::ColorNoiseReduction>().at(0).sigma, 0.3);
    EXPECT_FLOAT_EQ(small.stagesOf<stage::UnsharpMask>().at(0).radius, 0.5f);
    EXPECT_FLOAT_EQ(small.stagesOf<stage::UnsharpMask>().at(0).intensity, 0.75f);
    const Graph full = p.build(blank(10, 10), s, 1, false, false);
    EXPECT_DOUBLE_EQ(full.stagesOf<stage::ColorNoiseReduction>().at(0).sigma, 0.8);
    EXPECT_FLOAT_EQ(full.stagesOf<stage::UnsharpMask>().at(0).radius, 1.5f);
}

// How turns and crops move pixels is checked on rendered pixels (EngineTest).
TEST(Pipeline, StraighteningZoomsToFillAndSkipCropLeavesTheCropOut) {
    const CropSettings straight{.angle = 10}, crop{.w = 0.5};
    EXPECT_NEAR(std::get<stage::Straighten>(Pipeline::geometry(3000, 2000, straight, false).at(0)).zoom, 1.245, 1e-3);
    EXPECT_EQ(kinds({nullptr, 1, Pipeline::geometry(2000, 1000, crop, false)}), (Names{"crop"}));
    EXPECT_TRUE(Pipeline::geometry(2000, 1000, crop, true).empty()) << "skipCrop";
}

TEST(Pipeline, TablesAreCachedUntilTheirInputsChange) {
    Pipeline p;
    EditSettings s{.contrast = 20, .hsl = {.hue = {0, 10, 0, 0, 0, 0, 0, 0}}};
    p.build(blank(4, 4), s, 1, false, false);
    const std::vector<float>* tone = p.toneData();
    const std::vector<float>* hsl = p.hslData();

    s.exposure = 1;
    s.saturation = 30;
    p.build(blank(4, 4), s, 1, false, false);
    EXPECT_EQ(p.toneData(), tone);
    EXPECT_EQ(p.hslData(), hsl);

    s.hsl.hue[1] = 11;
    p.build(blank(4, 4), s, 1, false, false);
    EXPECT_EQ(p.toneData(), tone) << "an HSL change keeps the tone table";
    EXPECT_NE(p.hslData(), hsl);

    s.curves.red = {{0, 0}, {0.5, 0.55}, {1, 1}};
    p.build(blank(4, 4), s, 1, false, false);
    EXPECT_NE(p.toneData(), tone);
}

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
