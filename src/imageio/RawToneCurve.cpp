#include "RawToneCurve.h"

#include <tbb/parallel_for.h>

#include <algorithm>
#include <cmath>

namespace ombrel {

namespace {

constexpr double midGrey = 0.18;
constexpr double toeWidth = 0.055;  // values well below it sink towards black
constexpr double knee = 0.5;        // where the highlight shoulder takes over
// Above this a channel is on its way past white and the pixel starts to lose
// saturation; the channel approaches 1 but never reaches it.
constexpr float desaturateFrom = 0.95f;

// x^2 / sqrt(x^2 + t^2): flat at black, close to x - t^2 / 2x well above t,
// so deep shadows darken much and mid-tones hardly at all.
double toe(double x) { return x * x / std::sqrt(x * x + toeWidth * toeWidth); }

double toeSlope(double x) {
    const double s = x * x + toeWidth * toeWidth;
    return x * (x * x + 2 * toeWidth * toeWidth) / (s * std::sqrt(s));
}

const double toeScale = midGrey / toe(midGrey);  // keeps mid-grey in place

// The shoulder y = k + R (1 - exp(-s (x - knee) / R)) leaves the knee with
// the toe's value k and slope s; R is chosen so that it passes through
// (white, 1). Its left side is increasing in R, from below 1 at R = 1 - k
// up to k + s (white - knee) as R grows, so a root exists exactly when the
// straight line would overshoot 1.
double shoulderRoom(double kneeValue, double slope, double white) {
    const double span = white - knee;
    if (span <= 0 || kneeValue + slope * span <= 1) return 0;
    const auto reaches = [&](double room) { return kneeValue + room * (1 - std::exp(-slope * span / room)); };
    double low = 1 - kneeValue, high = 2 * low;
    while (reaches(high) < 1) high *= 2;
    for (int i = 0; i < 60; ++i) {
        const double mid = 0.5 * (low + high);
        (reaches(mid) < 1 ? low : high) = mid;
    }
    return high;
}

}  // namespace

float exposureGain(double baselineExposure) {
    constexpr double headroom = 0.25;  // EV
    const double baseline = std::isfinite(baselineExposure) ? std::clamp(baselineExposure, -4.0, 4.0) : 0.0;
    return static_cast<float>(std::exp2(headroom + baseline));
}

ToneBoost::ToneBoost(float white) {
    lutTop_ = std::isfinite(white) && white > 0 ? white : 1.0f;
    shoulderSlope_ = toeSlope(knee) * toeScale;
    shoulderRoom_ = shoulderRoom(toe(knee) * toeScale, shoulderSlope_, lutTop_);
    // What the curve does to a norm of x, as a factor, sampled evenly up to
    // sensor white: near black the factor grows linearly (the curve is
    // quadratic there), so linear interpolation between samples stays far
    // below an 8-bit step anywhere, with no square root or division per pixel.
    ratios_[0] = 0;
    for (int i = 1; i <= lutSize; ++i) {
        const double x = lutTop_ * i / lutSize;
        ratios_[i] = static_cast<float>(exact(x) / x);
    }
}

double ToneBoost::exact(double x) const {
    if (!(x > 0)) return 0;
    x = std::min(x, static_cast<double>(lutTop_));  // nothing lies beyond sensor white but resampling overshoot
    if (x <= knee) return toe(x) * toeScale;
    const double kneeValue = toe(knee) * toeScale, above = x - knee;
    if (shoulderRoom_ == 0) return kneeValue + shoulderSlope_ * above;
    return kneeValue + shoulderRoom_ * (1 - std::exp(-shoulderSlope_ * above / shoulderRoom_));
}

float ToneBoost::curve(float x) const { return static_cast<float>(exact(x)); }

inline float ToneBoost::ratio(float n) const {
    const float pos = n * (lutSize / lutTop_);
    if (!(pos < lutSize)) return static_cast<float>(exact(lutTop_) / n);  // past sensor white: resampling overshoot
    const int i = static_cast<int>(pos);
    const float f = pos - i;
    return ratios_[i] + f * (ratios_[i + 1] - ratios_[i]);
}

float ToneBoost::norm(float r, float g, float b) {
    r = std::max(r, 0.0f), g = std::max(g, 0.0f), b = std::max(b, 0.0f);
    const float squares = r * r + g * g + b * b;
    return squares > 0 ? (r * r * r + g * g * g + b * b * b) / squares : 0.0f;
}

void ToneBoost::apply(Image& image) const {
    const int width = image.width();
    tbb::parallel_for(0, image.height(), [&](int y) {
        float* p = image.row(y);
        for (int x = 0; x < width; ++x, p += 4) {
            const float n = norm(p[0], p[1], p[2]);
            const float k = n > 0 ? ratio(n) : 0.0f;
            float r = p[0] * k, g = p[1] * k, b = p[2] * k;
            const float top = std::max({r, g, b});
            if (top > desaturateFrom) {
                constexpr float room = 1 - desaturateFrom;
                const float target = desaturateFrom + room * (1 - std::exp((desaturateFrom - top) / room));
                // Luminance can pass the norm where green leads; it is held at the target too.
                const float luma = std::min(0.2126f * r + 0.7152f * g + 0.0722f * b, target);
                const float keep = top > luma ? std::max(0.0f, (target - luma) / (top - luma)) : 0.0f;
                r = luma + keep * (r - luma);
                g = luma + keep * (g - luma);
                b = luma + keep * (b - luma);
            }
            p[0] = r, p[1] = g, p[2] = b;
        }
    });
}

}  // namespace ombrel
