#include "preview/Viewport.h"

#include <gtest/gtest.h>

namespace ombrel::viewport {
namespace {

TEST(ViewportTest, FitZoomLimitsAndLabel) {
    // A 6000 x 4000 photo in a 1500 x 1200 view fits at 0.25.
    const double fit = fitScale({6000, 4000}, {1500, 1200});
    EXPECT_DOUBLE_EQ(fit, 0.25);
    EXPECT_EQ(zoomLabel(1.0, fit), "Fit");
    EXPECT_EQ(zoomLabel(1.0005, fit), "Fit");

    // Double click at fit shows 100 %, a second one goes back to fit.
    const double z100 = toggled100(1.0, fit);
    EXPECT_DOUBLE_EQ(z100, 4.0);
    EXPECT_EQ(zoomLabel(z100, fit), "100%");
    EXPECT_DOUBLE_EQ(toggled100(z100, fit), 1.0);

    // Pinches stop at fit and at 800 %.
    EXPECT_DOUBLE_EQ(magnified(1.2, -0.9, fit), 1.0);
    EXPECT_DOUBLE_EQ(magnified(30, 0.5, fit), 32.0);
    EXPECT_EQ(zoomLabel(magnified(30, 0.5, fit), fit), "800%");
    EXPECT_EQ(zoomLabel(1.5, 0.3333), "50%");

    // A photo smaller than the view: 100 % would be below fit, so it stays at fit,
    // and the upper limit is still 8 device pixels per image pixel.
    const double smallFit = fitScale({300, 200}, {1500, 1200});
    EXPECT_DOUBLE_EQ(smallFit, 5.0);
    EXPECT_DOUBLE_EQ(toggled100(1.0, smallFit), 1.0);
    EXPECT_DOUBLE_EQ(magnified(1.0, 10, smallFit), 8.0 / 5.0);
    EXPECT_DOUBLE_EQ(magnified(1.0, 10, 20), 1.0);  // fit already beyond 800 %
    EXPECT_EQ(fitScale({0, 10}, {100, 100}), 0);
}

TEST(ViewportTest, PanIsClampedToTheEdgesAndCentresNarrowAxes) {
    struct Case {
        const char* what;
        Size pan;
        Size expectedPan;
    };
    // 2000 x 800 shown at 1:1 in a 1000 x 1000 view: 500 of room each way in x, none in y.
    const Case cases[] = {
        {"inside the room", {200, 0}, {200, 0}},
        {"far right", {5000, 0}, {500, 0}},
        {"far left", {-5000, 0}, {-500, 0}},
        {"vertical on the narrow axis", {0, 300}, {0, 0}},
    };
    for (const Case& c : cases) {
        const Placement p = place({2000, 800}, 1.0, {1000, 1000}, c.pan);
        EXPECT_EQ(p.clampedPan, c.expectedPan) << c.what;
        EXPECT_DOUBLE_EQ(p.image.x, -500 + c.expectedPan.width) << c.what;
        EXPECT_DOUBLE_EQ(p.image.y, 100) << c.what;  // centred
        EXPECT_DOUBLE_EQ(p.image.width, 2000) << c.what;
    }
}

TEST(ViewportTest, PickPointIsAFractionOfTheShownPicture) {
    const Rect drawn{100, 50, 400, 200};
    EXPECT_EQ(pickPoint({100, 50}, drawn), (Point{0, 0}));
    EXPECT_EQ(pickPoint({300, 200}, drawn), (Point{0.5, 0.75}));
    EXPECT_FALSE(pickPoint({99, 100}, drawn));   // letterbox
    EXPECT_FALSE(pickPoint({300, 251}, drawn));
    EXPECT_FALSE(pickPoint({0, 0}, Rect{}));     // nothing drawn
}

}  // namespace
}  // namespace ombrel::viewport
