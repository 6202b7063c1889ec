#include "RawNoiseAmounts.h"

#include <algorithm>
#include <cmath>

namespace ombrel::raw {

namespace {

constexpr double baseIso = 100;

// 0 at base ISO, 1 from `stopsToFull` stops above it, smooth at both ends.
double isoRamp(double iso, double stopsToFull) {
    if (!(iso > baseIso)) return 0;
    const double t = std::min(1.0, std::log2(iso / baseIso) / stopsToFull);
    return t * t * (3 - 2 * t);
}

double clampAmount(double amount) { return std::isfinite(amount) ? std::clamp(amount, 0.0, 1.0) : 0.0; }

}  // namespace

// Colour noise is what high-ISO pictures show first, and blurring chroma
// costs little detail, so its default rises faster (full at ISO 3200) and
// further than the luminance one (full at ISO 12800).
double defaultLuminanceAmount(double iso) { return 0.5 * isoRamp(iso, 7); }
double defaultColorAmount(double iso) { return 0.8 * isoRamp(iso, 5); }

// LibRaw's threshold acts on square-root encoded sensor values; 1000 already
// flattens fine texture, so the top of the range stops there, and the power
// keeps small amounts gentle.
float waveletThreshold(double amount) { return static_cast<float>(1000 * std::pow(clampAmount(amount), 1.5)); }

float chromaSigma(double amount) { return static_cast<float>(5 * clampAmount(amount)); }

int medianPasses(double amount) { return static_cast<int>(std::ceil(4 * clampAmount(amount))); }

}  // namespace ombrel::raw
