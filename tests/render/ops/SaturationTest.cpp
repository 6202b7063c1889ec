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

Rgb vibrant(float amount, Rgb c) {
    vibrance(amount, &c[0], &c[1], &c[2], 1);
    return c;
}

const Rgb colours[] = {{0.8f, 0.2f, 0.1f}, {0.1f, 0.5f, 0.9f}, {0.4f, 0.42f, 0.38f}, {1.3f, -0.1f, 0.6f}};
constexpr int runLength = 19;  // beyond any vector width and no multiple of one

// `op` over a run of the colours repeated.
std::vector<Rgb> applied(void (*op)(float, float*, float*, float*, int), float amount) {
    std::vector<float> r, g, b;
    for (int i = 0; i < runLength; ++i) {
        const Rgb& c = colours[i % 4];
        r.push_back(c[0]), g.push_back(c[1]), b.push_back(c[2]);
    }
    op(amount, r.data(), g.data(), b.data(), runLength);
    std::vector<Rgb> out;
    for (int i = 0; i < runLength; ++i) out.push_back({r[i], g[i], b[i]});
    return out;
}

// Saturation 0 gives the Rec. 709 grey and moves every channel away from it
// by the factor; neither control changes luminance, and vibrance 0 changes nothing.
TEST(Saturation, ScalesTheDistanceFromTheRec709GreyAndBothKeepLuminance) {
    const auto grey = applied(saturate, 0.0f), same = applied(saturate, 1.0f), more = applied(saturate, 1.7f);
    const auto unchanged = applied(vibrance, 0.0f), up = applied(vibrance, 0.8f), down = applied(vibrance, -0.8f);
    for (int i = 0; i < runLength; ++i) {
        const Rgb& c = colours[i % 4];
        for (float v : grey[i]) EXPECT_NEAR(v, 0.2126f * c[0] + 0.7152f * c[1] + 0.0722f * c[2], 1e-6f) << i;
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(more[i][k] - grey[i][k], 1.7f * (c[k] - grey[i][k]), 1e-5f) << i;
        EXPECT_EQ(same[i], c) << i;
        EXPECT_EQ(unchanged[i], c) << i;
        for (const std::vector<Rgb>* changed : {&more, &up, &down})
            EXPECT_NEAR(luminance((*changed)[i]), luminance(c), 1e-6f) << i;
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
