#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "EachSimdTarget.h"
#include "render/ops/SrgbTransfer.h"

namespace ombrel::ops {
namespace {

// The published piecewise definition, in double precision.
double referenceEncode(double x) {
    const double a = std::fabs(x);
    return std::copysign(a <= 0.0031308 ? 12.92 * a : 1.055 * std::pow(a, 1 / 2.4) - 0.055, x);
}

double referenceDecode(double x) {
    const double a = std::fabs(x);
    return std::copysign(a <= 0.04045 ? a / 12.92 : std::pow((a + 0.055) / 1.055, 2.4), x);
}

// Dense samples of -3...3 with an odd count, so runs have SIMD tails too.
std::vector<float> samples() {
    std::vector<float> v;
    for (int i = -300001; i <= 300001; ++i) v.push_back(i * 1e-5f);
    return v;
}

// Across -3...3, over the linear segment's end and beyond white; so the two
// also undo each other.
TEST(SrgbTransfer, ExactFunctionsFollowTheReferenceCurve) {
    for (float x = -3.0f; x <= 3.0f; x += 0.0173f) {
        EXPECT_NEAR(srgbEncode(x), referenceEncode(x), 2e-6 * std::max(1.0, std::fabs(referenceEncode(x)))) << x;
        EXPECT_NEAR(srgbDecode(x), referenceDecode(x), 2e-6 * std::max(1.0, std::fabs(referenceDecode(x)))) << x;
    }
    EXPECT_NEAR(srgbEncode(0.0031308f), referenceEncode(0.0031308f), 2e-6);
    EXPECT_NEAR(srgbEncode(0.18f), 0.4613561f, 1e-6f);  // mid-grey lands near the middle of the code range
    EXPECT_FLOAT_EQ(srgbEncode(1.0f), 1.0f);
    EXPECT_FLOAT_EQ(srgbDecode(1.0f), 1.0f);
    for (float x : {0.001f, 0.05f, 0.3f, 1.0f, 2.5f}) {  // negatives mirror positives exactly
        EXPECT_EQ(srgbEncode(-x), -srgbEncode(x)) << x;
        EXPECT_EQ(srgbDecode(-x), -srgbDecode(x)) << x;
    }
}

// A run through `run` against `reference`: within 5e-6 up to 2, relatively
// within 1e-6 beyond, and never across zero.
void checkRun(void (*run)(float*, int), double (*reference)(double)) {
    std::vector<float> v = samples();
    const std::vector<float> in = v;
    run(v.data(), static_cast<int>(v.size()));
    double worstInside = 0;
    for (std::size_t i = 0; i < v.size(); ++i) {
        const double want = reference(in[i]);
        if (std::fabs(in[i]) <= 2.0f) {
            worstInside = std::max(worstInside, std::fabs(v[i] - want));
        } else {
            ASSERT_NEAR(v[i], want, 1e-6 * std::fabs(want)) << in[i];
        }
        ASSERT_EQ(std::signbit(v[i]), std::signbit(in[i])) << in[i];
    }
    EXPECT_LT(worstInside, 5e-6);
}

TEST(SrgbTransfer, RunsStayWithinTheirStatedAccuracyOnEveryVectorTarget) {
    test::forEachSimdTarget([] {
        checkRun(srgbEncodeRun, referenceEncode);
        checkRun(srgbDecodeRun, referenceDecode);
    });
}

TEST(SrgbTransfer, RunsKeepBlackExactAndPassNonFiniteValues) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    float v[] = {0.0f, nan, inf, -inf, 1.0f, 0.5f, 0.25f, 0.0f, 0.0f, 0.0f, 0.0f};
    srgbEncodeRun(v, 11);
    EXPECT_EQ(v[0], 0.0f);
    EXPECT_TRUE(std::isnan(v[1]));
    EXPECT_EQ(v[2], inf);
    EXPECT_EQ(v[3], -inf);
    EXPECT_NEAR(v[4], 1.0f, 2e-5f);
    srgbDecodeRun(v, 11);
    EXPECT_EQ(v[0], 0.0f);
    EXPECT_TRUE(std::isnan(v[1]));
    EXPECT_NEAR(v[5], 0.5f, 4e-5f);
}

}  // namespace
}  // namespace ombrel::ops
