#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "EachSimdTarget.h"
#include "render/ops/Interleave.h"
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

TEST(Interleave, WritesEveryPixelAtAnyAlignmentAndLengthAndNothingElse) {
    // Destinations starting at every float offset within a cache line, runs
    // shorter and longer than a vector: the aligned middle, the single
    // pixels before it and the tail must all land in place.
    test::forEachSimdTarget([] {
        for (int offset = 0; offset < 16; ++offset)
            for (int n : {0, 1, 3, 4, 15, 16, 17, 33, 100}) {
                std::vector<float> r(n), g(n), b(n);
                for (int i = 0; i < n; ++i) r[i] = i + 0.25f, g[i] = -i - 0.5f, b[i] = 1000.0f + i;
                std::vector<float> out(4 * n + 32, -7.0f);
                interleaveOpaque(r.data(), g.data(), b.data(), n, out.data() + offset);
                for (int k = 0; k < offset; ++k) ASSERT_EQ(out[k], -7.0f) << "before, offset " << offset;
                for (int i = 0; i < n; ++i) {
                    const float* p = out.data() + offset + 4 * i;
                    ASSERT_EQ((std::array{p[0], p[1], p[2], p[3]}), (std::array{r[i], g[i], b[i], 1.0f}))
                        << offset << " " << n << " " << i;
                }
                for (std::size_t k = offset + 4 * n; k < out.size(); ++k)
                    ASSERT_EQ(out[k], -7.0f) << "after, offset " << offset << " n " << n;
            }
    });
}

}  // namespace
}  // namespace ombrel::ops
