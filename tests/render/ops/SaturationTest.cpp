#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "render/ops/Saturation.h"

namespace ombrel::ops {
namespace {

using Rgb = std::array<float, 3>;

float luminance(Rgb c) { return 0.2126f * c[0] + 0.7152f * c[1] + 0.0722f * c[2]; }

// HSV-style saturation, the quantity vibrance is meant to favour.
float saturationOf(Rgb c) {
    const float hi = std::max({c[0], c[1], c[2]}), lo = std::min({c[0], c[1], c[2]});
    return (hi - lo) / hi;
}

Rgb saturated(float factor, Rgb c) {
    saturate(factor, &c[0], &c[1], &c[2], 1);
    return c;
}

Rgb vibrant(float amount, Rgb c) {
    vibrance(amount, &c[0], &c[1], &c[2], 1);
    return c;
}

const Rgb colours[] = {{0.8f, 0.2f, 0.1f}, {0.1f, 0.5f, 0.9f}, {0.4f, 0.42f, 0.38f}, {1.3f, -0.1f, 0.6f}};

TEST(Saturation, ZeroGivesTheRec709GreyOneIdentityAndLuminanceStays) {
    for (const Rgb& c : colours) {
        const Rgb grey = saturated(0.0f, c);
        for (float v : grey) EXPECT_NEAR(v, 0.2126f * c[0] + 0.7152f * c[1] + 0.0722f * c[2], 1e-6f);
        EXPECT_EQ(saturated(1.0f, c), c);
        const Rgb more = saturated(1.7f, c);
        EXPECT_NEAR(luminance(more), luminance(c), 1e-6f);
        // Every channel moves away from grey by the factor.
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(more[k] - grey[k], 1.7f * (c[k] - grey[k]), 1e-5f);
    }
}

TEST(Saturation, RunsCoverEveryPixel) {
    std::vector<float> r(19, 0.9f), g(19, 0.1f), b(19, 0.3f);
    saturate(0.0f, r.data(), g.data(), b.data(), 19);
    vibrance(0.0f, r.data(), g.data(), b.data(), 19);
    for (int i = 0; i < 19; ++i) EXPECT_NEAR(r[i] - g[i], 0.0f, 1e-6f) << i;
}

TEST(Vibrance, ZeroIsIdentityAndLuminanceStays) {
    for (const Rgb& c : colours) {
        EXPECT_EQ(vibrant(0.0f, c), c);
        EXPECT_NEAR(luminance(vibrant(0.8f, c)), luminance(c), 1e-6f);
        EXPECT_NEAR(luminance(vibrant(-0.8f, c)), luminance(c), 1e-6f);
    }
}

TEST(Vibrance, MovesDullColoursMoreThanVividOnes) {
    const Rgb dull{0.30f, 0.42f, 0.50f}, vivid{0.05f, 0.25f, 0.90f};  // same hue family, blue
    const float gainDull = saturationOf(vibrant(0.8f, dull)) / saturationOf(dull);
    const float gainVivid = saturationOf(vibrant(0.8f, vivid)) / saturationOf(vivid);
    EXPECT_GT(gainDull, 1.2f);
    EXPECT_GT(gainVivid, 1.0f);
    EXPECT_LT(gainVivid - 1, 0.3f * (gainDull - 1));
    const float lossDull = saturationOf(vibrant(-0.8f, dull)) / saturationOf(dull);
    const float lossVivid = saturationOf(vibrant(-0.8f, vivid)) / saturationOf(vivid);
    EXPECT_LT(lossDull, 0.8f);
    EXPECT_LT(lossVivid, 1.0f);
    EXPECT_GT(lossVivid, lossDull);
}

TEST(Vibrance, SparesSkinTonesAgainstOtherHuesOfEqualSaturation) {
    // A skin tone (hue about 25 degrees) and a green of the same HSV
    // saturation and value.
    const Rgb skin{0.80f, 0.56f, 0.40f}, green{0.40f, 0.80f, 0.56f};
    ASSERT_NEAR(saturationOf(skin), saturationOf(green), 1e-6f);
    const float skinGain = saturationOf(vibrant(0.8f, skin)) / saturationOf(skin);
    const float greenGain = saturationOf(vibrant(0.8f, green)) / saturationOf(green);
    EXPECT_GT(skinGain, 1.0f);
    EXPECT_LT(skinGain - 1, 0.7f * (greenGain - 1));
}

}  // namespace
}  // namespace ombrel::ops
