#include "OutputColor.h"

#include "render/ops/SrgbTransfer.h"

#include <lcms2.h>

#include <cstring>
#include <memory>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace ombrel {
namespace {

constexpr cmsCIExyY d65{0.3127, 0.3290, 1.0};
constexpr cmsCIExyYTRIPLE srgbPrimaries{{0.640, 0.330, 1.0}, {0.300, 0.600, 1.0}, {0.150, 0.060, 1.0}};
constexpr cmsCIExyYTRIPLE p3Primaries{{0.680, 0.320, 1.0}, {0.265, 0.690, 1.0}, {0.150, 0.060, 1.0}};

struct ProfileClose {
    void operator()(void* p) const { cmsCloseProfile(p); }
};
using Profile = std::unique_ptr<void, ProfileClose>;

struct CurveFree {
    void operator()(cmsToneCurve* c) const { cmsFreeToneCurve(c); }
};
using Curve = std::unique_ptr<cmsToneCurve, CurveFree>;

struct MluFree {
    void operator()(cmsMLU* m) const { cmsMLUfree(m); }
};

Curve srgbCurve() {
    // IEC 61966-2-1: Y = ((aX + b)^g for X >= d, else cX.
    const double params[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    return Curve(cmsBuildParametricToneCurve(nullptr, 4, params));
}

Curve linearCurve() { return Curve(cmsBuildGamma(nullptr, 1.0)); }

bool setText(cmsHPROFILE profile, cmsTagSignature tag, const char* text) {
    std::unique_ptr<cmsMLU, MluFree> mlu(cmsMLUalloc(nullptr, 1));
    return mlu && cmsMLUsetASCII(mlu.get(), "en", "US", text) && cmsWriteTag(profile, tag, mlu.get());
}

Profile rgbProfile(const cmsCIExyYTRIPLE& primaries, const Curve& curve) {
    cmsToneCurve* curves[3] = {curve.get(), curve.get(), curve.get()};
    return Profile(cmsCreateRGBProfile(&d65, &primaries, curves));
}

const cmsCIExyYTRIPLE& primariesOf(OutputSpace space) {
    return space == OutputSpace::displayP3 ? p3Primaries : srgbPrimaries;
}

std::vector<std::uint8_t> buildProfile(OutputSpace space) {
    const Curve curve = srgbCurve();
    const Profile profile = rgbProfile(primariesOf(space), curve);
    if (!profile) return {};
    const char* description = space == OutputSpace::displayP3 ? "Display P3" : "sRGB";
    if (!setText(profile.get(), cmsSigProfileDescriptionTag, description) ||
        !setText(profile.get(), cmsSigCopyrightTag, "No copyright, use freely")) {
        return {};
    }
    cmsUInt32Number size = 0;
    if (!cmsSaveProfileToMem(profile.get(), nullptr, &size) || size == 0) return {};
    std::vector<std::uint8_t> bytes(size);
    if (!cmsSaveProfileToMem(profile.get(), bytes.data(), &size)) return {};
    bytes.resize(size);
    return bytes;
}

// Both profiles with linear curves: the transform between them is the 3x3
// matrix, read off at the three unit vectors.
std::optional<std::array<float, 9>> linearMatrix(OutputSpace space) {
    if (space == OutputSpace::srgb) return std::nullopt;
    const Curve linear = linearCurve();
    const Profile from = rgbProfile(srgbPrimaries, linear);
    const Profile to = rgbProfile(primariesOf(space), linear);
    if (!from || !to) return std::nullopt;
    cmsHTRANSFORM transform = cmsCreateTransform(from.get(), TYPE_RGB_FLT, to.get(), TYPE_RGB_FLT,
                                                 INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_NOCACHE);
    if (!transform) return std::nullopt;
    const float units[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    float columns[9] = {};
    cmsDoTransform(transform, units, columns, 3);
    cmsDeleteTransform(transform);
    std::array<float, 9> m{};
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col) m[row * 3 + col] = columns[col * 3 + row];
    return m;
}

// Clamps to 0...1; NaN becomes 0.
inline float unit(float v) { return v > 0 ? (v < 1 ? v : 1) : 0; }

}  // namespace

const std::vector<std::uint8_t>& iccProfile(OutputSpace space) {
    static const std::vector<std::uint8_t> srgb = buildProfile(OutputSpace::srgb);
    static const std::vector<std::uint8_t> p3 = buildProfile(OutputSpace::displayP3);
    return space == OutputSpace::displayP3 ? p3 : srgb;
}

OutputColor::OutputColor(OutputSpace space) : space_(space) {
    static const std::optional<std::array<float, 9>> p3 = linearMatrix(OutputSpace::displayP3);
    if (space == OutputSpace::displayP3) matrix_ = p3;
}

void OutputColor::toEncoded(float* rgba, int n) const {
    if (matrix_) {
        const std::array<float, 9>& m = *matrix_;
        for (int i = 0; i < n; ++i) {
            float* p = rgba + 4 * i;
            const float r = p[0], g = p[1], b = p[2];
            p[0] = m[0] * r + m[1] * g + m[2] * b;
            p[1] = m[3] * r + m[4] * g + m[5] * b;
            p[2] = m[6] * r + m[7] * g + m[8] * b;
        }
    }
    ops::srgbEncodeRun(rgba, 4 * n);
}

void OutputColor::encode(float* rgba, int n, std::uint8_t* rgb) const {
    toEncoded(rgba, n);
    int i = 0;
#ifdef __SSE2__
    // Four pixels at a time, each step the scalar one's in IEEE arithmetic:
    // max with 0 gives 0 for NaN as `unit` does, then a multiply and an add
    // rounded apart, then truncation.
    const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1.0f);
    const __m128 scale = _mm_set1_ps(255.0f), half = _mm_set1_ps(0.5f);
    auto quantise = [&](const float* p) {
        const __m128 v = _mm_min_ps(_mm_max_ps(_mm_loadu_ps(p), zero), one);
        return _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(v, scale), half));
    };
    for (; i + 4 <= n; i += 4) {
        const float* p = rgba + 4 * std::size_t(i);
        const __m128i low = _mm_packs_epi32(quantise(p), quantise(p + 4));
        const __m128i high = _mm_packs_epi32(quantise(p + 8), quantise(p + 12));
        alignas(16) std::uint8_t bytes[16];
        _mm_store_si128(reinterpret_cast<__m128i*>(bytes), _mm_packus_epi16(low, high));
        for (int k = 0; k < 4; ++k) std::memcpy(rgb + 3 * (std::size_t(i) + k), bytes + 4 * k, 3);
    }
#endif
    for (; i < n; ++i)
        for (int c = 0; c < 3; ++c)
            rgb[3 * i + c] = static_cast<std::uint8_t>(unit(rgba[4 * i + c]) * 255.0f + 0.5f);
}

void OutputColor::encode(float* rgba, int n, std::uint16_t* rgb) const {
    toEncoded(rgba, n);
    for (int i = 0; i < n; ++i)
        for (int c = 0; c < 3; ++c)
            rgb[3 * i + c] = static_cast<std::uint16_t>(unit(rgba[4 * i + c]) * 65535.0f + 0.5f);
}

}  // namespace ombrel
