#include <gtest/gtest.h>

#include <cmath>

#include "render/ops/LanczosScale.h"

namespace ombrel::ops {
namespace {

template <typename F>
Image imageFrom(int width, int height, F f) {
    Image img(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 4; ++c) img.pixel(x, y)[c] = static_cast<float>(f(c, x, y));
    return img;
}

TEST(LanczosScale, KeepsFlatColourRoundsTheSizeAndIsTheIdentityAtOne) {
    const Image flat = imageFrom(101, 67, [](int c, int, int) { return c == 3 ? 1.0 : 0.2 + 0.3 * c; });
    for (double scale : {0.37, 0.5, 1.0, 1.8}) {
        const Image out = lanczosScale(flat, scale);
        EXPECT_EQ(out.width(), std::lround(101 * scale)) << scale;
        EXPECT_EQ(out.height(), std::lround(67 * scale)) << scale;
        for (int y = 0; y < out.height(); ++y)
            for (int x = 0; x < out.width(); ++x)
                for (int c = 0; c < 4; ++c)
                    ASSERT_NEAR(out.pixel(x, y)[c], c == 3 ? 1.0f : 0.2f + 0.3f * c, 1e-5f) << scale;
    }
    const Image tiny = lanczosScale(flat, 0.001);
    EXPECT_EQ(tiny.width(), 1);
    EXPECT_EQ(tiny.height(), 1);

    // At scale one any picture comes back as it was.
    const Image img = imageFrom(23, 17, [](int c, int x, int y) { return std::sin(x * 1.3 + c) * std::cos(y * 0.7); });
    const Image same = lanczosScale(img, 1.0);
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 23; ++x)
            for (int c = 0; c < 4; ++c) ASSERT_NEAR(same.pixel(x, y)[c], img.pixel(x, y)[c], 1e-6f);
}

TEST(LanczosScale, ShrinkingStripesGivesGreyNotAliases) {
    // One-pixel black and white stripes, shrunk until they lie well beyond
    // the new resolution (close to it, Lanczos-3 lets a few per cent through).
    // The outermost output columns are left out: there the picture's edge
    // column repeats outward, which rightly tints them.
    const Image stripes = imageFrom(200, 40, [](int, int x, int) { return x % 2; });
    for (double scale : {0.3, 0.45, 0.6}) {
        const Image out = lanczosScale(stripes, scale);
        for (int y = 0; y < out.height(); ++y)
            for (int x = 3; x < out.width() - 3; ++x) ASSERT_NEAR(out.pixel(x, y)[0], 0.5f, 0.02f) << scale << " " << x;
    }
}

TEST(LanczosScale, EnlargingAGradientStaysOnTheGradient) {
    const Image ramp = imageFrom(40, 30, [](int, int x, int y) { return 0.01 * x + 0.02 * y; });
    const Image out = lanczosScale(ramp, 2.0);
    // Output pixel centres map back to (x + 0.5) / 2 - 0.5 in the source;
    // Lanczos-3 follows a ramp to within a few hundredths of a pixel step.
    for (int y = 10; y < 50; y += 3)
        for (int x = 10; x < 70; x += 3) {
            const double sx = (x + 0.5) / 2 - 0.5, sy = (y + 0.5) / 2 - 0.5;
            EXPECT_NEAR(out.pixel(x, y)[1], 0.01 * sx + 0.02 * sy, 1e-3) << x << "," << y;
        }
}

}  // namespace
}  // namespace ombrel::ops
