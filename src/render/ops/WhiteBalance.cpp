#include "WhiteBalance.h"

#include <array>
#include <cmath>

#include "Saturation.h"

namespace ombrel::ops {
namespace {

// Double precision throughout: the matrix is built once per edit, and the
// white-balance solve bisects on its output, so rounding must not make it jitter.
using M3 = std::array<double, 9>;
using V3 = std::array<double, 3>;

M3 mul(const M3& a, const M3& b) {
    M3 out{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            out[i * 3 + j] = a[i * 3] * b[j] + a[i * 3 + 1] * b[3 + j] + a[i * 3 + 2] * b[6 + j];
    return out;
}

V3 mul(const M3& a, const V3& v) {
    return {a[0] * v[0] + a[1] * v[1] + a[2] * v[2], a[3] * v[0] + a[4] * v[1] + a[5] * v[2],
            a[6] * v[0] + a[7] * v[1] + a[8] * v[2]};
}

M3 inverse(const M3& a) {
    const M3 cof{a[4] * a[8] - a[5] * a[7], a[2] * a[7] - a[1] * a[8], a[1] * a[5] - a[2] * a[4],
                 a[5] * a[6] - a[3] * a[8], a[0] * a[8] - a[2] * a[6], a[2] * a[3] - a[0] * a[5],
                 a[3] * a[7] - a[4] * a[6], a[1] * a[6] - a[0] * a[7], a[0] * a[4] - a[1] * a[3]};
    const double det = a[0] * cof[0] + a[1] * cof[3] + a[2] * cof[6];
    M3 out{};
    for (int i = 0; i < 9; ++i) out[i] = cof[i] / det;
    return out;
}

// Linear sRGB (D65) to CIE XYZ.
constexpr M3 srgbToXyz{0.4124564, 0.3575761, 0.1804375, 0.2126729, 0.7151522,
                       0.0721750, 0.0193339, 0.1191920, 0.9503041};

// Bradford cone responses.
constexpr M3 bradford{0.8951, 0.2664, -0.1614, -0.7502, 1.7135, 0.0367, 0.0389, -0.0685, 1.0296};

// One tint unit moves the white point this far off the locus in CIE 1960 uv,
// so the sidebar's full tint (150 units) is a strong but plausible cast.
constexpr double uvPerTint = 1.0 / 6000.0;

struct Uv {
    double u, v;
};

// The Planckian locus in CIE 1960 uv (Krystek's rational approximation,
// accurate over 1000...15000 K).
Uv planckian(double kelvin) {
    const double t = kelvin, t2 = t * t;
    return {(0.860117757 + 1.54118254e-4 * t + 1.28641212e-7 * t2) / (1 + 8.42420235e-4 * t + 7.08145163e-7 * t2),
            (0.317398726 + 4.22806245e-5 * t + 4.20481691e-8 * t2) / (1 - 2.89741816e-5 * t + 1.61456053e-7 * t2)};
}

// Positive tint moves the white point off the locus toward green: a light
// with a green cast, whose correction then turns the picture toward magenta.
Uv whiteUv(WhitePoint w) {
    const double h = 0.5;
    const Uv lo = planckian(w.kelvin - h), hi = planckian(w.kelvin + h), at = planckian(w.kelvin);
    const double du = hi.u - lo.u, dv = hi.v - lo.v, len = std::hypot(du, dv);
    // Along the locus both u and v fall as the temperature rises; (dv, -du)
    // points to lower u and higher v, the green side.
    const double offset = w.tint * uvPerTint;
    return {at.u + offset * dv / len, at.v - offset * du / len};
}

V3 whiteXyz(WhitePoint w) {
    const Uv uv = whiteUv(w);
    const double d = 2 * uv.u - 8 * uv.v + 4;
    const double x = 3 * uv.u / d, y = 2 * uv.v / d;
    return {x / y, 1.0, (1 - x - y) / y};
}

// Von Kries scaling in Bradford cone space, taking white `from` to white `to`.
M3 bradfordAdaptation(const V3& from, const V3& to) {
    const V3 a = mul(bradford, from), b = mul(bradford, to);
    const M3 gains{b[0] / a[0], 0, 0, 0, b[1] / a[1], 0, 0, 0, b[2] / a[2]};
    return mul(inverse(bradford), mul(gains, bradford));
}

}  // namespace

Mat3 temperatureTintMatrix(WhitePoint neutral, WhitePoint target) {
    // The picture is treated as lit by `target`; adapting that white to
    // `neutral` removes the assumed cast.
    const M3 cat = bradfordAdaptation(whiteXyz(target), whiteXyz(neutral));
    const M3 m = mul(inverse(srgbToXyz), mul(cat, srgbToXyz));
    // Keep the luminance of a neutral grey, so only colour changes.
    const V3 grey = mul(m, V3{1, 1, 1});
    const double k = lumaR * grey[0] + lumaG * grey[1] + lumaB * grey[2];
    Mat3 out;
    for (int i = 0; i < 9; ++i) out.m[i] = static_cast<float>(m[i] / k);
    return out;
}

}  // namespace ombrel::ops
