#include "Pictures.h"

#include "render/Orientation.h"
#include "render/Resample.h"
#include "render/ops/AreaStatistics.h"
#include "render/ops/LanczosScale.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

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
    const std::array<std::uint8_t, 3> colour{200, 17, 0};
    Bitmap8 flat(37, 23);
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x) std::ranges::copy(colour, flat.pixel(x, y));
    for (auto [w, h] : {std::pair{10, 6}, std::pair{37, 23}, std::pair{80, 50}}) {
        const Bitmap8 out = resample(flat, w, h);
        ASSERT_EQ(out.width(), w);
        for (int y : {0, h - 1})
            for (int x : {0, w / 2, w - 1})
                EXPECT_TRUE(std::equal(colour.begin(), colour.end(), out.pixel(x, y))) << w << ": " << x << "," << y;
    }
}

TEST(Resample, FitWithinKeepsAspectAndNeverEnlarges) {
    EXPECT_EQ(fitWithin(6000, 4000, 2800), std::make_pair(2800, 1867));
    EXPECT_EQ(fitWithin(4000, 6000, 2800), std::make_pair(1867, 2800));
    EXPECT_EQ(fitWithin(2800, 100, 2800), std::make_pair(2800, 100));
    EXPECT_EQ(fitWithin(1000, 1, 320), std::make_pair(320, 1));
}

TEST(LanczosScale, KeepsFlatColourRoundsTheSizeAndIsTheIdentityAtOne) {
    const std::array colour{0.2f, 0.5f, 0.8f, 1.0f};
    const Image flat = test::imageFrom(101, 67, [&](int, int) { return colour; });
    for (double scale : {0.37, 0.5, 1.0, 1.8}) {
        const Image out = ops::lanczosScale(flat, scale);
        EXPECT_EQ(out.width(), std::lround(101 * scale)) << scale;
        EXPECT_EQ(out.height(), std::lround(67 * scale)) << scale;
        for (int y = 0; y < out.height(); ++y)
            for (int x = 0; x < out.width(); ++x)
                for (int c = 0; c < 4; ++c) ASSERT_NEAR(out.pixel(x, y)[c], colour[c], 1e-5f) << scale;
    }
    const Image tiny = ops::lanczosScale(flat, 0.001);
    EXPECT_EQ(std::pair(tiny.width(), tiny.height()), std::pair(1, 1));

    // At scale one any picture comes back as it was.
    const Image img = test::imageFrom(23, 17, [](int x, int y) {
        return std::array{std::sin(x * 1.3f), std::cos(y * 0.7f), std::sin(x * 0.9f + y), std::cos(x * y * 0.1f)};
    });
    const Image same = ops::lanczosScale(img, 1.0);
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 23; ++x)
            for (int c = 0; c < 4; ++c) ASSERT_NEAR(same.pixel(x, y)[c], img.pixel(x, y)[c], 1e-6f);
}

TEST(LanczosScale, ShrinkingStripesGivesGreyNotAliases) {
    // One-pixel black and white stripes, shrunk until they lie well beyond
    // the new resolution (close to it, Lanczos-3 lets a few per cent through).
    // The outermost output columns are left out: there the picture's edge
    // column repeats outward, which rightly tints them.
    const Image stripes = test::imageFrom(200, 40, [](int x, int) { return std::array{x % 2, 0, 0, 1}; });
    for (double scale : {0.3, 0.45, 0.6}) {
        const Image out = ops::lanczosScale(stripes, scale);
        for (int y = 0; y < out.height(); ++y)
            for (int x = 3; x < out.width() - 3; ++x) ASSERT_NEAR(out.pixel(x, y)[0], 0.5f, 0.02f) << scale << " " << x;
    }
}

TEST(LanczosScale, EnlargingAGradientStaysOnTheGradient) {
    const Image ramp =
        test::imageFrom(40, 30, [](int x, int y) { return std::array{0.0f, 0.01f * x + 0.02f * y, 0.0f, 1.0f}; });
    const Image out = ops::lanczosScale(ramp, 2.0);
    // Output pixel centres map back to (x + 0.5) / 2 - 0.5 in the source;
    // Lanczos-3 follows a ramp to within a few hundredths of a pixel step.
    for (int y = 10; y < 50; y += 3)
        for (int x = 10; x < 70; x += 3) {
            const double sx = (x + 0.5) / 2 - 0.5, sy = (y + 0.5) / 2 - 0.5;
            EXPECT_NEAR(out.pixel(x, y)[1], 0.01 * sx + 0.02 * sy, 1e-3) << x << "," << y;
        }
}

TEST(AreaAverage, AveragesTheRectangleClippedToTheImage) {
    struct Case {
        ops::PixelRect rect;
        std::array<float, 4> mean;
        const char* why;
    };
    const Case cases[] = {
        {{2, 3, 4, 2}, {3.5f, 3.5f, 7, 1}, "x 2..5, y 3..4"},
        {{-3, -3, 6, 6}, {1, 1, 2, 1}, "half outside: only x, y in 0..2 count"},
        {{8, 6, 6, 6}, {8.5f, 6.5f, 15, 1}, "x 8..9, y 6..7"},
        {{10, 0, 3, 3}, {0, 0, 0, 0}, "nothing inside gives zeros"},
        {{-5, 2, 5, 3}, {0, 0, 0, 0}, ""},
        {{2, 2, 0, 3}, {0, 0, 0, 0}, "empty"},
        {{2, 2, -4, 3}, {0, 0, 0, 0}, "negative"},
    };
    const Image image = test::imageFrom(10, 8, [](int x, int y) { return std::array{x, y, x + y, 1}; });
    for (const Case& c : cases) {
        const auto mean = ops::areaAverage(image, c.rect);
        for (int k = 0; k < 4; ++k) EXPECT_FLOAT_EQ(mean[k], c.mean[k]) << c.why;
    }
}

TEST(AreaHistogram, CountsOutOfRangeValuesInTheEndBinsAndIgnoresNaN) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const float reds[] = {-0.5f, 0.0f, 0.24f, 0.25f, 0.5f, 0.999f, 1.0f, 1.5f, inf, nan};
    Image img(10, 1);
    for (int x = 0; x < 10; ++x) {
        float* p = img.pixel(x, 0);
        p[0] = reds[x], p[1] = 0.6f, p[2] = -inf, p[3] = 1.0f;
    }
    const auto h = ops::areaHistogram(img, 4);
    EXPECT_EQ(h[0], (std::vector<float>{3, 1, 1, 4}));
    EXPECT_EQ(h[1], (std::vector<float>{0, 0, 10, 0}));
    EXPECT_EQ(h[2], (std::vector<float>{10, 0, 0, 0}));
    EXPECT_EQ(h[3], (std::vector<float>{0, 0, 0, 10}));
}

TEST(AreaHistogram, CountsEveryPixelOfALargeImageOnce) {
    const auto ramp = [](int x, int y) { return std::array{x / 300.0f, y / 200.0f, 0.5f, 1.0f}; };
    const Image img = test::imageFrom(300, 200, ramp);
    const auto h = ops::areaHistogram(img, 256);
    for (int c = 0; c < 4; ++c) {
        double total = 0;
        for (float v : h[c]) total += v;
        EXPECT_EQ(total, 60000) << c;
    }
    EXPECT_EQ(h[2][128], 60000);
    // Red spreads evenly: 300 columns over 256 bins, each 200 pixels tall.
    for (int i = 0; i < 256; ++i) EXPECT_GE(h[0][i], 200) << i;
    EXPECT_TRUE(ops::areaHistogram(img, 0)[0].empty());
}

}  // namespace
}  // namespace ombrel
