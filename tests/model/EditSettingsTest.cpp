#include "model/EditSettings.h"
#include "model/FlagFilter.h"
#include "model/SupportedFiles.h"
#include "model/Uuid.h"

#include <gtest/gtest.h>

#include <cmath>

// Settings name only the fields a test changes; the others keep their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

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

}  // namespace
}  // namespace ombrel
