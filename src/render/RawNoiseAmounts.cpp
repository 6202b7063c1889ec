#include "RawNoiseAmounts.h"

#include <algorithm>
#include <cmath>

namespace ombrel::raw {

namespace {

constexpr double baseIso = 100;
constexpr double stopsToFull = 7;  // ISO 100 -> 12800

// 0 at base ISO, 1 at the top of the range, smooth at both ends.
double isoRamp(double iso) {
    if (!(iso > baseIso)) return 0;
    const double t = std::min(1.0, std::log2(iso / baseIso) / stopsToFull);
    return t * t * (3 - 2 * t);
}

double clampAmount(double amount) { return std::isfinite(amount) ? std::clamp(amount, 0.0, 1.0) : 0.0; }

}  // namespace

// Colour noise is what high-ISO pictures show first, and blurring chroma
// costs little detail, so its default rises faster and further.
double defaultLuminanceAmount(double iso) { return 0.5 * isoRamp(iso); }
double defaultColorAmount(double iso) { return std::min(1.0, 1.5 * isoRamp(iso)) * 0.8; }

// LibRaw's threshold acts on square-root encoded sensor values; 1000 already
// flattens fine texture, so the top of the range stops there, and the power
// keeps small amounts gentle.
float waveletThreshold(double amount) { return static_cast<float>(1000 * std::pow(clampAmount(amount), 1.5)); }

float chromaSigma(double amount) { return static_cast<float>(5 * clampAmount(amount)); }

int medianPasses(double amount) { return static_cast<int>(std::ceil(4 * clampAmount(amount))); }

}  // namespace ombrel::raw
