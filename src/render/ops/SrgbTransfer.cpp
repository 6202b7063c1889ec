// Compiled once per SIMD target by Highway; the runs dispatch at run time to
// the widest one the processor has.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "render/ops/SrgbTransfer.cpp"
#include "SrgbTransfer.h"

#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include <cmath>

#ifndef OMBREL_SRGB_TRANSFER_SHARED
#define OMBREL_SRGB_TRANSFER_SHARED
namespace ombrel::ops {

float srgbEncode(float linear) {
    const float a = std::fabs(linear);
    const float e = a <= 0.0031308f ? 12.92f * a : 1.055f * std::pow(a, 1.0f / 2.4f) - 0.055f;
    return std::copysign(e, linear);
}

float srgbDecode(float encoded) {
    const float a = std::fabs(encoded);
    const float l = a <= 0.04045f ? a / 12.92f : std::pow((a + 0.055f) / 1.055f, 2.4f);
    return std::copysign(l, encoded);
}

namespace srgb_detail {

// Magnitudes up to this go through the polynomials; larger ones (and NaN)
// take the exact formula.
inline constexpr float polynomialLimit = 2.0f;

// The curved parts as degree-7 polynomials (Chebyshev fits, in monomial form
// over z in -1...1), within 3e-6 of the formulas up to 2. Encoding is fitted
// in |x|^(1/4), where x^(1/2.4) is gentle; decoding in sqrt(|x|).
// Table lookups were the first design, but their gathers cost more than
// seven fused multiply-adds.
inline constexpr float encodeZScale = 2.09938029f, encodeZOffset = -1.49659798f;
inline constexpr float encodeCoeffs[8] = {0.545171473f,   0.668374199f,    0.148887456f,    -0.0110630396f,
                                          0.00235475932f, -0.00071538698f, 0.000438341348f, -0.000192228645f};
inline constexpr float decodeZScale = 1.64867997f, decodeZOffset = -1.33158557f;
inline constexpr float decodeCoeffs[8] = {0.383074421f, 1.27350341f,   1.71300365f,     1.15539339f,
                                          0.383664244f, 0.0462891052f, -0.00125377722f, 0.0001715313f};

}  // namespace srgb_detail
}  // namespace ombrel::ops
#endif  // OMBREL_SRGB_TRANSFER_SHARED

HWY_BEFORE_NAMESPACE();
namespace ombrel::ops::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

template <class D, class V>
V horner(D d, V z, const float (&c)[8]) {
    V acc = hn::Set(d, c[7]);
    for (int k = 6; k >= 0; --k) acc = hn::MulAdd(acc, z, hn::Set(d, c[k]));
    return acc;
}

// `curve` maps |x| (already above the linear segment's end) to the encoded
// or decoded magnitude; below `knee` the segment is linear with `slope`.
template <class Curve>
void runCurve(float knee, float slope, Curve curve, float (*exact)(float), float* values, int n) {
    const hn::ScalableTag<float> d;
    const int lanes = static_cast<int>(hn::Lanes(d));
    const auto kneeV = hn::Set(d, knee), slopeV = hn::Set(d, slope);
    const auto limit = hn::Set(d, srgb_detail::polynomialLimit);
    int i = 0;
    for (; i + lanes <= n; i += lanes) {
        const auto x = hn::LoadU(d, values + i);
        const auto a = hn::Abs(x);
        if (HWY_UNLIKELY(!hn::AllTrue(d, hn::Le(a, limit)))) {
            for (int k = i; k < i + lanes; ++k) values[k] = exact(values[k]);
            continue;
        }
        const auto y = hn::IfThenElse(hn::Le(a, kneeV), hn::Mul(a, slopeV), curve(d, hn::Max(a, kneeV)));
        hn::StoreU(hn::CopySignToAbs(y, x), d, values + i);
    }
    for (; i < n; ++i) values[i] = exact(values[i]);
}

void EncodeRun(float* values, int n) {
    using namespace srgb_detail;
    runCurve(
        0.0031308f, 12.92f,
        [](auto d, auto a) {
            const auto z = hn::MulAdd(hn::Sqrt(hn::Sqrt(a)), hn::Set(d, encodeZScale), hn::Set(d, encodeZOffset));
            return horner(d, z, encodeCoeffs);
        },
        srgbEncode, values, n);
}

void DecodeRun(float* values, int n) {
    using namespace srgb_detail;
    runCurve(
        0.04045f, 1.0f / 12.92f,
        [](auto d, auto a) {
            const auto z = hn::MulAdd(hn::Sqrt(a), hn::Set(d, decodeZScale), hn::Set(d, decodeZOffset));
            return horner(d, z, decodeCoeffs);
        },
        srgbDecode, values, n);
}

}  // namespace ombrel::ops::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace ombrel::ops {

HWY_EXPORT(EncodeRun);
HWY_EXPORT(DecodeRun);

void srgbEncodeRun(float* values, int n) { HWY_DYNAMIC_DISPATCH(EncodeRun)(values, n); }
void srgbDecodeRun(float* values, int n) { HWY_DYNAMIC_DISPATCH(DecodeRun)(values, n); }

}  // namespace ombrel::ops
#endif
