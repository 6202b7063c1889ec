#include "Samples.h"

#include "model/BuiltInPresets.h"
#include "model/EditSettings.h"
#include "model/FlagFilter.h"
#include "model/Preset.h"
#include "model/SupportedFiles.h"
#include "model/Uuid.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <set>

namespace ombrel {
namespace {

// Every edit makes the settings non-default; only the five tone sliders and
// the curves count as tone changes.
TEST(EditSettings, ToneChangesCoverTheFiveSlidersAndCurvesButNotExposure) {
    struct Case {
        const char* what;
        EditSettings settings;
        bool toneChange;
    };
    const Case cases[] = {
        {"nothing", {}, false},
        {"contrast", {.contrast = -3}, true},
        {"highlights", {.highlights = -3}, true},
        {"shadows", {.shadows = -3}, true},
        {"whites", {.whites = -3}, true},
        {"blacks", {.blacks = -3}, true},
        {"exposure", {.exposure = 0.7}, false},
        {"aspect lock", {.crop = {.aspect = "1:1"}}, false},
        {"collinear curve", {.curves = {.green = {{0, 0}, {0.5, 0.5}, {1, 1}}}}, true},
        {"reordered identity", {.curves = {.master = {{1, 1}, {0, 0}}}}, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.settings.hasToneChanges(), c.toneChange) << c.what;
        EXPECT_EQ(c.settings.isDefault(), c.what == std::string("nothing")) << c.what;
    }
}

TEST(EditSettings, HslNeutralAcceptsNegativeZeroButNotOtherLengths) {
    HSLSettings hsl;
    EXPECT_TRUE(hsl.isNeutral());
    hsl.lum[3] = -0.0;
    EXPECT_TRUE(hsl.isNeutral());
    hsl.lum[3] = 0.5;
    EXPECT_FALSE(hsl.isNeutral());

    HSLSettings shortArray;
    shortArray.hue.pop_back();
    EXPECT_FALSE(shortArray.isNeutral());
}

TEST(EnumTexts, FlagFilterKeepsTheMatchingFlags) {
    // Rows: all, picks, rejects, unflagged; columns: none, pick, reject.
    const bool keepsFlag[4][3] = {{true, true, true}, {false, true, false}, {false, false, true}, {true, false, false}};
    const auto filters = flagFilterTexts.cases();
    ASSERT_EQ(filters.size(), 4u);
    for (std::size_t f = 0; f < 4; ++f)
        for (const Flag flag : {Flag::none, Flag::pick, Flag::reject})
            EXPECT_EQ(keeps(filters[f], flag), keepsFlag[f][static_cast<int>(flag)]) << flagFilterTexts.text(filters[f]);
}

TEST(SupportedFiles, ExtensionsCompareInLowerCase) {
    for (const char* name : {"IMG.CR2", "img.cr2", "img.Cr2", "x.NEF", "a.b.rw2", "d.dng"}) {
        EXPECT_TRUE(isRawFile(name)) << name;
        EXPECT_TRUE(isPhotoFile(name)) << name;
    }
    for (const char* name : {"a.JPG", "a.jpeg", "a.HEIC", "a.heif", "a.png"}) {
        EXPECT_TRUE(isPhotoFile(name)) << name;
        EXPECT_FALSE(isRawFile(name)) << name;
    }
    for (const char* name : {"img.tif", "img.gif", "noextension", "a.jpg.umbrix.json", "cr2", "a.jpg~"}) {
        EXPECT_FALSE(isPhotoFile(name)) << name;
    }
}

TEST(Uuid, ParsesEitherCaseAndWritesTheStandardForm) {
    const auto lower = Uuid::parse("3f2504e0-4f89-41d3-9a0c-0305e82c3301");
    const auto upper = Uuid::parse("3F2504E0-4F89-41D3-9A0C-0305E82C3301");
    ASSERT_TRUE(lower && upper);
    EXPECT_EQ(*lower, *upper);
    EXPECT_EQ(upper->toString(), "3f2504e0-4f89-41d3-9a0c-0305e82c3301");

    for (const char* bad : {"", "3f2504e04f8941d39a0c0305e82c3301", "{3f2504e0-4f89-41d3-9a0c-0305e82c3301}",
                            "3f2504e0-4f89-41d3-9a0c-0305e82c330g", "3f2504e0-4f89-41d3-9a0c-0305e82c33011"}) {
        EXPECT_EQ(Uuid::parse(bad), std::nullopt) << bad;
    }

    const Uuid a = Uuid::generate(), b = Uuid::generate();
    EXPECT_NE(a, b);
    EXPECT_FALSE(a.isNil());
    EXPECT_EQ(Uuid::parse(a.toString()), a);
    // Random identifiers say so: version 4, the standard variant.
    EXPECT_EQ(a.toString()[14], '4');
    EXPECT_NE(std::string_view("89ab").find(a.toString()[19]), std::string_view::npos);
}

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
