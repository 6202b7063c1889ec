#include "RawToneCurve.h"

#include <tbb/parallel_for.h>

#include <algorithm>
#include <array>
#include <cmath>

namespace ombrel {

namespace {

constexpr double midGrey = 0.18;
constexpr double contrast = 1.12;  // log-log slope through mid-grey
constexpr double knee = 0.5;       // where the highlight shoulder takes over

struct Shoulder {
    double y;      // curve value at the knee
    double slope;  // curve slope at the knee, matched by the shoulder
};

Shoulder shoulderAtKnee() {
    const double y = midGrey * std::pow(knee / midGrey, contrast);
    return {y, contrast * y / knee};
}

double curve(double x) {
    if (x <= 0) return 0;
    if (x <= knee) return midGrey * std::pow(x / midGrey, contrast);
    static const Shoulder s = shoulderAtKnee();
    const double room = 1 - s.y;
    return 1 - room * std::exp(-s.slope * (x - knee) / room);
}

// The curve sampled on a square-root spaced grid, dense in the shadows where
// it bends most relative to the values, up to `lutTop`; linear interpolation
// between samples stays far below an 8-bit step anywhere.
constexpr int lutSize = 4096;
constexpr float lutTop = 8.0f;

struct Lut {
    std::array<float, lutSize + 1> values;
    Lut() {
        for (int i = 0; i <= lutSize; ++i) {
            const double t = static_cast<double>(i) / lutSize;
            values[i] = static_cast<float>(curve(t * t * lutTop));
        }
    }
};

const Lut& lut() {
    static const Lut table;
    return table;
}

inline float lookup(const Lut& table, float x) {
    if (!(x > 0)) return 0;
    if (x >= lutTop) return static_cast<float>(curve(x));
    const float pos = std::sqrt(x / lutTop) * lutSize;
    const int i = static_cast<int>(pos);
    const float f = pos - i;
    return table.values[i] + f * (table.values[i + 1] - table.values[i]);
}

}  // namespace

float toneBoost(float x) { return static_cast<float>(curve(x)); }

float exposureGain(double baselineExposure) {
    constexpr double headroom = 0.5;  // EV
    const double baseline = std::isfinite(baselineExposure) ? std::clamp(baselineExposure, -4.0, 4.0) : 0.0;
    return static_cast<float>(std::exp2(headroom + baseline));
}

void applyToneBoost(Image& image) {
    const Lut& table = lut();
    const int width = image.width();
    tbb::parallel_for(0, image.height(), [&](int y) {
        float* p = image.row(y);
        for (int x = 0; x < width; ++x, p += 4) {
            p[0] = lookup(table, p[0]);
            p[1] = lookup(table, p[1]);
            p[2] = lookup(table, p[2]);
        }
    });
}

}  // namespace ombrel
