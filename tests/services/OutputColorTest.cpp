#include "ExportReadBack.h"
#include "imageio/OutputColor.h"
#include "render/ops/SrgbTransfer.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>
#include <limits>
#include <random>

namespace ombrel {
namespace {

using test::describeProfile;

void expectPrimaries(const test::ProfileInfo& info, const std::array<std::array<double, 2>, 3>& expected) {
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(info.primaries[i][0], expected[i][0], 2e-3) << "primary " << i;
        EXPECT_NEAR(info.primaries[i][1], expected[i][1], 2e-3) << "primary " << i;
    }
}

TEST(OutputColor, ProfilesNameTheirSpaceAndCarryItsPrimaries) {
    const auto srgb = describeProfile(iccProfile(OutputSpace::srgb));
    ASSERT_TRUE(srgb);
    EXPECT_EQ(srgb->description, "sRGB");
    expectPrimaries(*srgb, {{{0.640, 0.330}, {0.300, 0.600}, {0.150, 0.060}}});

    const auto p3 = describeProfile(iccProfile(OutputSpace::displayP3));
    ASSERT_TRUE(p3);
    EXPECT_EQ(p3->description, "Display P3");
    expectPrimaries(*p3, {{{0.680, 0.320}, {0.265, 0.690}, {0.150, 0.060}}});
}

// lcms2 itself converting between the working space and the embedded profile
// (`toOutput` false: from the profile back into the working space).
class ReferenceTransform {
public:
    ReferenceTransform(OutputSpace space, cmsUInt32Number format, bool toOutput = true) {
        const cmsCIExyY d65{0.3127, 0.3290, 1.0};
        const cmsCIExyYTRIPLE srgb{{0.64, 0.33, 1}, {0.30, 0.60, 1}, {0.15, 0.06, 1}};
        cmsToneCurve* linear = cmsBuildGamma(nullptr, 1.0);
        cmsToneCurve* curves[3] = {linear, linear, linear};
        working_ = cmsCreateRGBProfile(&d65, &srgb, curves);
        cmsFreeToneCurve(linear);
        const auto& icc = iccProfile(space);
        output_ = cmsOpenProfileFromMem(icc.data(), static_cast<cmsUInt32Number>(icc.size()));
        const cmsUInt32Number flags = cmsFLAGS_NOCACHE | cmsFLAGS_NOOPTIMIZE;
        transform_ = toOutput ? cmsCreateTransform(working_, TYPE_RGBA_FLT, output_, format,
                                                   INTENT_RELATIVE_COLORIMETRIC, flags)
                              : cmsCreateTransform(output_, format, working_, TYPE_RGB_FLT,
                                                   INTENT_RELATIVE_COLORIMETRIC, flags);
    }
    ~ReferenceTransform() {
        cmsDeleteTransform(transform_);
        cmsCloseProfile(working_);
        cmsCloseProfile(output_);
    }
    bool valid() const { return transform_ != nullptr; }
    void run(const void* in, void* out, int n) const { cmsDoTransform(transform_, in, out, n); }

private:
    cmsHPROFILE working_ = nullptr, output_ = nullptr;
    cmsHTRANSFORM transform_ = nullptr;
};

std::vector<float> randomPixels(int n, float lo, float hi) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> v(lo, hi);
    std::vector<float> px(std::size_t(n) * 4);
    for (int i = 0; i < n; ++i) {
        for (int c = 0; c < 3; ++c) px[i * 4 + c] = v(rng);
        px[i * 4 + 3] = 1;
    }
    return px;
}

class OutputColorSpaces : public ::testing::TestWithParam<OutputSpace> {};

TEST_P(OutputColorSpaces, PixelsMatchTheEmbeddedProfile) {
    const int n = 4000;
    const std::vector<float> px = randomPixels(n, 0.0f, 1.0f);
    ReferenceTransform reference(GetParam(), TYPE_RGB_8);
    ASSERT_TRUE(reference.valid());
    std::vector<std::uint8_t> expected(n * 3), got(n * 3);
    reference.run(px.data(), expected.data(), n);
    std::vector<float> scratch = px;
    OutputColor(GetParam()).encode(scratch.data(), n, got.data());
    int worst = 0;
    for (int i = 0; i < n * 3; ++i) worst = std::max(worst, std::abs(int(got[i]) - int(expected[i])));
    EXPECT_LE(worst, 1) << "8-bit levels";

    // Sixteen bits are checked backwards: lcms2 inverts the tone curve through
    // a table, which strays by tens of codes in the shadows, but applies it
    // forwards exactly.
    scratch = px;
    std::vector<std::uint16_t> encoded(n * 3);
    OutputColor(GetParam()).encode(scratch.data(), n, encoded.data());
    ReferenceTransform back(GetParam(), TYPE_RGB_16, false);
    ASSERT_TRUE(back.valid());
    std::vector<float> decoded(n * 3);
    back.run(encoded.data(), decoded.data(), n);
    double worstBack = 0;
    for (int i = 0; i < n; ++i)
        for (int c = 0; c < 3; ++c) worstBack = std::max(worstBack, std::abs(double(decoded[i * 3 + c]) - px[i * 4 + c]));
    EXPECT_LE(worstBack, 1e-4) << "16-bit, decoded back";
}

TEST_P(OutputColorSpaces, ValuesOutsideTheGamutClip) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<float> px = {4.0f, 4.0f, 4.0f, 1, -1.0f, -1.0f, -1.0f, 1, nan, nan, nan, 1};
    std::array<std::uint8_t, 9> rgb{};
    OutputColor(GetParam()).encode(px.data(), 3, rgb.data());
    EXPECT_EQ(rgb, (std::array<std::uint8_t, 9>{255, 255, 255, 0, 0, 0, 0, 0, 0})) << "white, black, black";
}

TEST(OutputColor, EightBitSamplesAreTheEncodedValuesClippedAndRoundedOneByOne) {
    // Values in and far out of gamut, the special ones among them, over a
    // run whose length leaves a few pixels beyond any vector width.
    const int n = 4003;
    std::vector<float> px = randomPixels(n, -0.5f, 2.5f);
    const float specials[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                              -std::numeric_limits<float>::infinity(), -0.0f, 0.0f, 1.0f, 1e-7f, 0.99999f};
    for (std::size_t i = 0; i < std::size(specials); ++i) {
        px[4 * (i * 97 % n) + i % 3] = specials[i];
        px[4 * (n - 1 - i) + i % 3] = specials[i];
    }
    std::vector<float> encoded = px;
    ops::srgbEncodeRun(encoded.data(), 4 * n);

    std::vector<float> scratch = px;
    std::vector<std::uint8_t> got(std::size_t(n) * 3);
    OutputColor(OutputSpace::srgb).encode(scratch.data(), n, got.data());
    int wrong = 0;
    for (int i = 0; i < n; ++i)
        for (int c = 0; c < 3; ++c) {
            const float v = encoded[4 * i + c];
            const float clipped = v > 0 ? std::min(v, 1.0f) : 0.0f;  // NaN counts as 0
            const float scaled = clipped * 255.0f;
            const int expected = static_cast<int>(scaled + 0.5f);
            if (got[3 * i + c] != expected) {
                if (++wrong <= 5) ADD_FAILURE() << "pixel " << i << " channel " << c << ": " << v;
            }
        }
    EXPECT_EQ(wrong, 0);
}

INSTANTIATE_TEST_SUITE_P(Spaces, OutputColorSpaces, ::testing::Values(OutputSpace::srgb, OutputSpace::displayP3),
                         [](const auto& info) { return info.param == OutputSpace::srgb ? "sRGB" : "DisplayP3"; });

}  // namespace
}  // namespace ombrel
