#include "render/Orientation.h"
#include "render/Resample.h"

#include <gtest/gtest.h>

namespace ombrel {
namespace {

// A 3 x 2 picture whose pixels hold their own stored coordinates.
PixelBuffer<int, 2> coordinates() {
    PixelBuffer<int, 2> p(3, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            p.pixel(x, y)[0] = x;
            p.pixel(x, y)[1] = y;
        }
    return p;
}

std::pair<int, int> at(const PixelBuffer<int, 2>& p, int x, int y) { return {p.pixel(x, y)[0], p.pixel(x, y)[1]}; }

TEST(Orientation, EachOrientationMovesTheStoredCornersUpright) {
    // Which stored pixel lands at the upright top-left and top-right corners.
    struct Case {
        int orientation, width, height;
        std::pair<int, int> topLeft, topRight;
    };
    const Case cases[] = {
        {1, 3, 2, {0, 0}, {2, 0}}, {2, 3, 2, {2, 0}, {0, 0}}, {3, 3, 2, {2, 1}, {0, 1}},
        {4, 3, 2, {0, 1}, {2, 1}}, {5, 2, 3, {0, 0}, {0, 1}}, {6, 2, 3, {0, 1}, {0, 0}},
        {7, 2, 3, {2, 1}, {2, 0}}, {8, 2, 3, {2, 0}, {2, 1}},
    };
    const auto src = coordinates();
    for (const Case& c : cases) {
        const auto out = applyOrientation(src, c.orientation);
        ASSERT_EQ(out.width(), c.width) << "orientation " << c.orientation;
        ASSERT_EQ(out.height(), c.height);
        EXPECT_EQ(at(out, 0, 0), c.topLeft) << "orientation " << c.orientation;
        EXPECT_EQ(at(out, out.width() - 1, 0), c.topRight) << "orientation " << c.orientation;
    }
    EXPECT_EQ(at(applyOrientation(src, 0), 2, 1), std::make_pair(2, 1)) << "unknown values leave it as stored";
}

TEST(Resample, ShrinkingAveragesInsteadOfAliasing) {
    // Alternating black and white columns must come out mid grey, not striped.
    Image stripes(64, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 64; ++x)
            for (int c = 0; c < 4; ++c) stripes.pixel(x, y)[c] = (x % 2) ? 1.0f : 0.0f;
    const Image small = resample(stripes, 10, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 1; x < 9; ++x) EXPECT_NEAR(small.pixel(x, y)[0], 0.5f, 0.06f) << x << "," << y;
}

TEST(Resample, KeepsFlatColourAndEdgesExactly) {
    Bitmap8 flat(37, 23);
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x) {
            flat.pixel(x, y)[0] = 200;
            flat.pixel(x, y)[1] = 17;
            flat.pixel(x, y)[2] = 0;
        }
    for (auto [w, h] : {std::pair{10, 6}, std::pair{37, 23}, std::pair{80, 50}}) {
        const Bitmap8 out = resample(flat, w, h);
        ASSERT_EQ(out.width(), w);
        for (int y : {0, h - 1})
            for (int x : {0, w / 2, w - 1}) {
                EXPECT_EQ(out.pixel(x, y)[0], 200);
                EXPECT_EQ(out.pixel(x, y)[1], 17);
                EXPECT_EQ(out.pixel(x, y)[2], 0);
            }
    }
}

TEST(Resample, FitWithinKeepsAspectAndNeverEnlarges) {
    EXPECT_EQ(fitWithin(6000, 4000, 2800), std::make_pair(2800, 1867));
    EXPECT_EQ(fitWithin(4000, 6000, 2800), std::make_pair(1867, 2800));
    EXPECT_EQ(fitWithin(2800, 100, 2800), std::make_pair(2800, 100));
    EXPECT_EQ(fitWithin(1000, 1, 320), std::make_pair(320, 1));
}

}  // namespace
}  // namespace ombrel
