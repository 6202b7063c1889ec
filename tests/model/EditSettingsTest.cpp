#include "model/EditSettings.h"
#include "model/FlagFilter.h"
#include "model/Section.h"
#include "model/SupportedFiles.h"
#include "model/Uuid.h"

#include <gtest/gtest.h>

#include <cmath>

namespace ombrel {
namespace {

TEST(EditSettings, DefaultsAreTheUneditedState) {
    const EditSettings s;
    EXPECT_EQ(s.sharpRadius, 1.0);
    EXPECT_EQ(s.crop.w, 1.0);
    EXPECT_EQ(s.crop.h, 1.0);
    EXPECT_EQ(s.crop.aspect, "Free");
    EXPECT_EQ(s.curves.master, CurveSet::identity());
    EXPECT_EQ(s.curves.blue, CurveSet::identity());
    EXPECT_EQ(s.hsl.hue.size(), 8u);
    EXPECT_EQ(s.raw, RawOptions{});
    EXPECT_TRUE(s.isDefault());
    EXPECT_FALSE(s.hasToneChanges());
    EXPECT_TRUE(s.hsl.isNeutral());
}

TEST(EditSettings, EqualityIsExactAndOrderSensitive) {
    EditSettings a, b;
    a.exposure = 0.0;
    b.exposure = -0.0;
    EXPECT_EQ(a, b);

    b.curves.red = {{1, 1}, {0, 0}};  // evaluates like the identity, but is not equal
    EXPECT_NE(a, b);

    EditSettings c;
    c.raw.lumNR = 0.0;  // present-but-zero differs from absent
    EXPECT_NE(c, EditSettings{});

    EditSettings d;
    d.hsl.sat[7] = 1e-9;
    EXPECT_NE(d, EditSettings{});
}

TEST(EditSettings, ToneChangesCoverTheFiveSlidersAndCurvesButNotExposure) {
    for (double EditSettings::*field : {&EditSettings::contrast, &EditSettings::highlights,
                                        &EditSettings::shadows, &EditSettings::whites, &EditSettings::blacks}) {
        EditSettings s;
        s.*field = -3;
        EXPECT_TRUE(s.hasToneChanges());
    }

    EditSettings exposureOnly;
    exposureOnly.exposure = 0.7;
    EXPECT_FALSE(exposureOnly.hasToneChanges());
    EXPECT_FALSE(exposureOnly.isDefault());

    EditSettings collinear;
    collinear.curves.green = {{0, 0}, {0.5, 0.5}, {1, 1}};
    EXPECT_TRUE(collinear.hasToneChanges());

    EditSettings reordered;
    reordered.curves.master = {{1, 1}, {0, 0}};
    EXPECT_TRUE(reordered.hasToneChanges());
}

TEST(EditSettings, AspectAloneMakesSettingsNonDefault) {
    EditSettings s;
    s.crop.aspect = "1:1";
    EXPECT_FALSE(s.isDefault());
    EXPECT_FALSE(s.hasToneChanges());
}

TEST(EditSettings, HslNeutralAcceptsNegativeZeroButNotOtherLengths) {
    HSLSettings hsl;
    hsl.lum[3] = -0.0;
    EXPECT_TRUE(hsl.isNeutral());
    hsl.lum[3] = 0.5;
    EXPECT_FALSE(hsl.isNeutral());

    HSLSettings shortArray;
    shortArray.hue.pop_back();
    EXPECT_FALSE(shortArray.isNeutral());
}

TEST(EditSettings, HslBandTablesAreInIndexOrder) {
    EXPECT_EQ(hslBandLabels.front(), "Red");
    EXPECT_EQ(hslBandLabels.back(), "Magenta");
    EXPECT_EQ(hslBandCentres, (std::array<double, 8>{0, 30, 60, 120, 180, 240, 270, 300}));
}

TEST(EnumTexts, FlagTextsRoundTripAndAreCaseSensitive) {
    for (Flag f : flagTexts.cases()) EXPECT_EQ(flagTexts.fromText(flagTexts.text(f)), f);
    EXPECT_EQ(flagTexts.text(Flag::reject), "reject");
    EXPECT_EQ(flagTexts.fromText("Pick"), std::nullopt);
    EXPECT_EQ(flagTexts.fromText(""), std::nullopt);
}

TEST(EnumTexts, FilterAndSectionListsAreInDisplayOrder) {
    std::vector<std::string_view> filters;
    for (FlagFilter f : flagFilterTexts.cases()) filters.push_back(flagFilterTexts.text(f));
    EXPECT_EQ(filters, (std::vector<std::string_view>{"All", "Picks", "Rejects", "Unflagged"}));

    std::vector<std::string_view> sections;
    for (Section s : sectionTexts.cases()) sections.push_back(sectionTexts.text(s));
    EXPECT_EQ(sections, (std::vector<std::string_view>{"Basic", "Tone Curve", "HSL", "Detail", "Lens",
                                                       "Crop & Rotate", "RAW Decode"}));
    EXPECT_EQ(sectionTexts.fromText("Crop & Rotate"), Section::crop);
    EXPECT_EQ(sectionTexts.fromText("basic"), std::nullopt);
}

TEST(EnumTexts, FlagFilterKeepsTheMatchingFlags) {
    EXPECT_TRUE(keeps(FlagFilter::all, Flag::reject));
    EXPECT_TRUE(keeps(FlagFilter::picks, Flag::pick));
    EXPECT_FALSE(keeps(FlagFilter::picks, Flag::none));
    EXPECT_TRUE(keeps(FlagFilter::rejects, Flag::reject));
    EXPECT_FALSE(keeps(FlagFilter::rejects, Flag::pick));
    EXPECT_TRUE(keeps(FlagFilter::unflagged, Flag::none));
    EXPECT_FALSE(keeps(FlagFilter::unflagged, Flag::pick));
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
