#include "render/Pipeline.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <variant>

// Settings name only the fields a test changes; the others keep their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

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

}  // namespace
}  // namespace ombrel
