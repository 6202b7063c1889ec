#include "Samples.h"

#include "model/BuiltInPresets.h"
#include "model/Preset.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <functional>
#include <set>

// Settings name only the fields a test changes; the others keep their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace ombrel {
namespace {

// Five in order, each as described (every field a preset does not name is its
// default), with distinct ids that stay put within a run.
TEST(BuiltInPresets, FiveInOrderAsDescribedWithDistinctIds) {
    const std::pair<const char*, EditSettings> expected[] = {
        {"Neutral", {}},
        {"Punchy", {.contrast = 25, .highlights = -20, .shadows = 20, .vibrance = 30, .saturation = 8,
                    .curves = {.master = {{0, 0}, {0.25, 0.21}, {0.75, 0.8}, {1, 1}}}, .sharpAmount = 40}},
        {"Matte", {.contrast = -10, .highlights = -15, .blacks = 35, .saturation = -10,
                   .curves = {.master = {{0, 0.09}, {1, 0.95}}}}},
        {"Black and white",
         {.contrast = 20, .highlights = -10, .shadows = 10, .saturation = -100, .sharpAmount = 30}},
        {"Warm film", {.contrast = -5, .blacks = 20, .temperature = 18, .tint = 4, .vibrance = 10, .saturation = -8,
                       .curves = {.master = {{0, 0.05}, {0.5, 0.5}, {1, 0.97}}, .blue = {{0, 0.04}, {1, 0.93}}},
                       .vignette = -20}},
    };
    const auto& presets = BuiltInPresets::all();
    ASSERT_EQ(presets.size(), std::size(expected));
    std::set<Uuid> ids;
    for (std::size_t i = 0; i < presets.size(); ++i) {
        EXPECT_EQ(presets[i].name, expected[i].first);
        EXPECT_EQ(presets[i].settings, expected[i].second) << presets[i].name;
        EXPECT_FALSE(presets[i].id.isNil()) << presets[i].name;
        ids.insert(presets[i].id);
    }
    EXPECT_EQ(ids.size(), 5u);
    EXPECT_EQ(BuiltInPresets::all()[1].id, presets[1].id);
}

TEST(PresetFormat, EveryBuiltInAndAFullyEditedPresetSurviveARoundTrip) {
    std::vector<Preset> presets = BuiltInPresets::all();
    presets.push_back({Uuid::generate(), "Everything \"quoted\" \u00e9", test::fullyEditedSettings()});
    const auto text = encodePresets(presets);
    ASSERT_TRUE(text);
    EXPECT_EQ(text->find('\n'), std::string::npos) << "compact output";
    EXPECT_EQ(decodePresets(*text), presets);
}

TEST(PresetFormat, ReadsUpperCaseIdsAndEmptyLists) {
    const std::string settings = nlohmann::json::parse(*encodePresets({{Uuid::generate(), "x", {}}}))[0]["settings"].dump();
    const auto decoded = decodePresets(R"([{"name":"Mine","id":"3F2504E0-4F89-41D3-9A0C-0305E82C3301","settings":)" +
                                       settings + "}]");
    EXPECT_EQ(decoded, (std::vector<Preset>{{*Uuid::parse("3f2504e0-4f89-41d3-9a0c-0305e82c3301"), "Mine", {}}}));
    EXPECT_EQ(decodePresets("[]"), std::vector<Preset>{});
    EXPECT_EQ(decodePresets(" [ ]\n"), std::vector<Preset>{});
}

TEST(PresetFormat, OneBadElementRejectsTheWholeFile) {
    const auto good = nlohmann::json::parse(*encodePresets(BuiltInPresets::all()));

    const std::vector<std::function<void(nlohmann::json&)>> damages{
        [](auto& p) { p.erase("name"); },
        [](auto& p) { p.erase("id"); },
        [](auto& p) { p.erase("settings"); },
        [](auto& p) { p["id"] = "not-a-uuid"; },
        [](auto& p) { p["id"] = 12; },
        [](auto& p) { p["name"] = nullptr; },
        [](auto& p) { p["settings"].erase("exposure"); },
        [](auto& p) { p["settings"]["hsl"]["hue"].push_back(0); },
    };
    for (std::size_t i = 0; i < damages.size(); ++i) {
        auto doc = good;
        damages[i](doc[3]);
        EXPECT_EQ(decodePresets(doc.dump()), std::nullopt) << "damage " << i;
    }
    EXPECT_EQ(decodePresets(R"({"presets":[]})"), std::nullopt);
    EXPECT_EQ(decodePresets("[1]"), std::nullopt);
    EXPECT_EQ(decodePresets("[] trailing"), std::nullopt);
}

}  // namespace
}  // namespace ombrel
