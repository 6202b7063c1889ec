#include "preview/CropGeometry.h"

#include <gtest/gtest.h>

namespace ombrel::crop {
namespace {

CropSettings lockedTo(const char* aspect, bool swapped = false) {
    CropSettings c;
    c.aspect = aspect;
    c.aspectSwapped = swapped;
    return c;
}

void expectRect(const Rect& got, const Rect& want, const char* what) {
    EXPECT_NEAR(got.x, want.x, 1e-9) << what;
    EXPECT_NEAR(got.y, want.y, 1e-9) << what;
    EXPECT_NEAR(got.width, want.width, 1e-9) << what;
    EXPECT_NEAR(got.height, want.height, 1e-9) << what;
}

TEST(CropGeometryTest, LayoutLetterboxesTheTurnedPicture) {
    EXPECT_EQ(orientedSize(std::nullopt, 0), (Size{3, 2}));
    EXPECT_EQ(orientedSize(Size{6000, 4000}, 1), (Size{4000, 6000}));
    EXPECT_EQ(orientedSize(Size{6000, 4000}, 2), (Size{6000, 4000}));
    const Rect image = imageRect({4000, 6000}, {900, 600});
    expectRect(image, {250, 0, 400, 600}, "portrait in a wide area");
    CropSettings c;
    c.x = 0.25, c.y = 0.5, c.w = 0.5, c.h = 0.25;
    expectRect(cropRect(c, image), {350, 300, 200, 150}, "crop inside");
}

TEST(CropGeometryTest, HitPicksTheNearestHandleThenMove) {
    const Rect c{100, 100, 40, 200};
    // (118, 100) lies 2 from t and 18 from tl; (120, 150) inside, away from the handles.
    const std::pair<Point, std::optional<Handle>> cases[] = {
        {{101, 101}, Handle::tl}, {{141, 95}, Handle::tr}, {{118, 100}, Handle::t}, {{120, 150}, Handle::move},
        {{300, 300}, std::nullopt}, {{100 - 15.9, 100}, Handle::tl}, {{100 - 16.1, 100}, std::nullopt}};
    for (const auto& [at, handle] : cases) EXPECT_EQ(hit(at, c), handle) << at.x << ", " << at.y;
}

TEST(CropGeometryTest, LockedRatioInCropFractions) {
    EXPECT_EQ(lockedRatio(lockedTo("Free"), 6000, 4000), std::nullopt);
    EXPECT_DOUBLE_EQ(*lockedRatio(lockedTo("Original"), 6000, 4000), 1.0);
    EXPECT_DOUBLE_EQ(*lockedRatio(lockedTo("Original", true), 6000, 4000), 1.0);
    EXPECT_DOUBLE_EQ(*lockedRatio(lockedTo("1:1"), 6000, 4000), 4000.0 / 6000);
    EXPECT_DOUBLE_EQ(*lockedRatio(lockedTo("16:9", true), 6000, 4000), 9.0 / 16 * 4000 / 6000);
}

TEST(CropGeometryTest, ResizedFollowsTheHandleRules) {
    const Rect full{0, 0, 1, 1};
    const Rect middle{0.25, 0.25, 0.5, 0.5};
    struct Case {
        const char* what;
        Handle handle;
        CropSettings crop;
        Rect start;
        double dx, dy;
        Rect want;
    };
    const Case cases[] = {
        {"right edge stops at the picture's edge", Handle::r, {}, middle, 2, 0, {0.25, 0.25, 0.75, 0.5}},
        {"right edge stops at the minimum width", Handle::r, {}, middle, -2, 0, {0.25, 0.25, 0.03, 0.5}},
        {"left edge stops at the picture's edge", Handle::l, {}, middle, -2, 0, {0, 0.25, 0.75, 0.5}},
        {"move is clamped inside", Handle::move, {}, middle, 0.6, -0.4, {0.5, 0, 0.5, 0.5}},
        {"Original keeps w = h on a corner drag", Handle::br, lockedTo("Original"), middle, 0.1, 0.05,
         {0.25, 0.25, 0.6, 0.6}},
        {"a corner that would leave the picture shrinks about its anchor", Handle::br, lockedTo("Original"),
         {0.5, 0.25, 0.25, 0.25}, 0.5, 0.0, {0.5, 0.25, 0.5, 0.5}},
        {"top edge under 1:1 widens about the centre", Handle::t, lockedTo("1:1"), {0.4, 0.4, 0.2, 0.3}, 0, -0.3,
         {0.3, 0.1, 0.4, 0.6}},
        {"... clamped to the picture", Handle::t, lockedTo("1:1"), {0, 0.4, 0.2, 0.3}, 0, -0.3, {0, 0.1, 0.4, 0.6}},
        {"left edge capped at full height", Handle::l, lockedTo("Original"), full, -0.5, 0, {0, 0, 1, 1}},
        {"a swapped 16:9 corner drag is portrait: 1800 x 3200 pixels", Handle::br, lockedTo("16:9", true),
         {0.1, 0.1, 0.2, 0.2}, 0.1, 0.3, {0.1, 0.1, 0.3, 0.8}},
    };
    for (const Case& c : cases)
        expectRect(resized(c.handle, c.crop, c.start, c.dx, c.dy, 6000, 4000), c.want, c.what);
}

}  // namespace
}  // namespace ombrel::crop
