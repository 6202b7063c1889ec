#include "LookupTables.h"

#include "model/Curve.h"

#include <algorithm>
#include <cmath>

namespace ombrel {
namespace {

double smoothstep(double u) { return u * u * (3 - 2 * u); }
double clamp01(double u) { return std::clamp(u, 0.0, 1.0); }

double sliderTone(double x, double ct, double hl, double sh, double wh, double bk) {
    const double y1 = x + ct * (smoothstep(x) - x);
    const double y2 = y1 + hl * smoothstep(clamp01((y1 - 0.45) / 0.55));
    const double y3 = y2 + sh * (1 - smoothstep(clamp01(y2 / 0.55)));
    const double y4 = y3 + wh * y3 * y3 * y3;
    const double y5 = y4 + bk * (1 - y4) * (1 - y4) * (1 - y4);
    return clamp01(y5);
}

void setEntry(std::vector<float>& cube, std::size_t index, float r, float g, float b) {
    cube[index * 4 + 0] = r;
    cube[index * 4 + 1] = g;
    cube[index * 4 + 2] = b;
    cube[index * 4 + 3] = 1.0f;
}

// Decoded settings always hold eight bands; values built in code may not, and
// a missing band must never be read.
double band(const std::vector<double>& values, std::size_t k) { return k < values.size() ? values[k] : 0.0; }

}  // namespace

double basicTone(double x, const EditSettings& s) {
    return sliderTone(x, s.contrast / 100, s.highlights / 100 * 0.25, s.shadows / 100 * 0.25, s.whites / 100 * 0.2,
                      s.blacks / 100 * 0.2);
}

std::array<std::vector<float>, 3> toneChannels(const EditSettings& s) {
    const Curve master(s.curves.master);
    const std::array<Curve, 3> channel{Curve(s.curves.red), Curve(s.curves.green), Curve(s.curves.blue)};

    std::array<std::vector<float>, 3> tables;
    for (int c = 0; c < 3; ++c) {
        tables[c].resize(toneCubeSize);
        for (int i = 0; i < toneCubeSize; ++i) {
            const double y = basicTone(i / double(toneCubeSize - 1), s);
            tables[c][i] = static_cast<float>(channel[c].eval(master.eval(y)));
        }
    }
    return tables;
}

std::vector<float> toneCube(const std::array<std::vector<float>, 3>& channels) {
    constexpr int n = toneCubeSize;
    std::vector<float> cube(std::size_t(n) * n * n * 4);
    for (int b = 0; b < n; ++b)
        for (int g = 0; g < n; ++g)
            for (int r = 0; r < n; ++r)
                setEntry(cube, (std::size_t(b) * n + g) * n + r, channels[0][r], channels[1][g], channels[2][b]);
    return cube;
}

std::vector<double> toneKey(const EditSettings& s) {
    std::vector<double> key{s.contrast, s.highlights, s.shadows, s.whites, s.blacks};
    for (const CurvePoints* curve : {&s.curves.master, &s.curves.red, &s.curves.green, &s.curves.blue}) {
        for (const CurvePoint& p : *curve) {
            key.push_back(p.x);
            key.push_back(p.y);
        }
        key.push_back(-1.0);
    }
    return key;
}

std::array<double, 3> hslAdjust(double r, double g, double b, const HSLSettings& hsl) {
    const double max = std::max({r, g, b});
    const double min = std::min({r, g, b});
    const double delta = max - min;
    if (delta < 1e-6) return {r, g, b};  // greys have no hue to shift
    double h;
    if (max == r) {
        h = 60 * std::fmod((g - b) / delta, 6.0);
    } else if (max == g) {
        h = 60 * ((b - r) / delta + 2);
    } else {
        h = 60 * ((r - g) / delta + 4);
    }
    if (h < 0) h += 360;
    const double s = delta / max;
    const double v = max;

    double dH = 0, dS = 0, dV = 0;
    for (std::size_t k = 0; k < hslBandCount; ++k) {
        double dist = std::abs(h - hslBandCentres[k]);
        if (dist > 180) dist = 360 - dist;
        const double w = 1 - dist / 45;
        if (w <= 0) continue;
        dH += w * band(hsl.hue, k) / 100 * 30;
        dS += w * band(hsl.sat, k) / 100;
        dV += w * band(hsl.lum, k) / 100 * 0.5;
    }

    // Weakly saturated colours get less of the effect, greys none.
    const double a = std::min(4 * s, 1.0);
    double h2 = std::fmod(h + a * dH, 360.0);
    if (h2 < 0) h2 += 360;
    const double s2 = clamp01(s * (1 + a * dS));
    const double v2 = clamp01(v * (1 + a * dV));

    const double chroma = v2 * s2;
    const double h6 = h2 / 60;
    const double x = chroma * (1 - std::abs(std::fmod(h6, 2.0) - 1));
    const double m = v2 - chroma;
    double R = 0, G = 0, B = 0;
    switch (static_cast<int>(std::floor(h6))) {
        case 0: R = chroma, G = x; break;
        case 1: R = x, G = chroma; break;
        case 2: G = chroma, B = x; break;
        case 3: G = x, B = chroma; break;
        case 4: R = x, B = chroma; break;
        default: R = chroma, B = x; break;
    }
    return {R + m, G + m, B + m};
}

std::vector<float> hslCube(const HSLSettings& hsl) {
    constexpr int n = hslCubeSize;
    std::vector<float> cube(std::size_t(n) * n * n * 4);
    for (int bi = 0; bi < n; ++bi)
        for (int gi = 0; gi < n; ++gi)
            for (int ri = 0; ri < n; ++ri) {
                const std::size_t index = (std::size_t(bi) * n + gi) * n + ri;
                const double r = ri / double(n - 1), g = gi / double(n - 1), b = bi / double(n - 1);
                const auto out = hslAdjust(r, g, b, hsl);
                setEntry(cube, index, float(out[0]), float(out[1]), float(out[2]));
            }
    return cube;
}

std::vector<float> clipCube() {
    constexpr int n = clipCubeSize;
    std::vector<float> cube(std::size_t(n) * n * n * 4);
    for (int bi = 0; bi < n; ++bi)
        for (int gi = 0; gi < n; ++gi)
            for (int ri = 0; ri < n; ++ri) {
                const std::size_t index = (std::size_t(bi) * n + gi) * n + ri;
                const float r = float(ri) / float(n - 1), g = float(gi) / float(n - 1), b = float(bi) / float(n - 1);
                const float m = std::max({r, g, b});
                if (m >= 0.985f) {
                    setEntry(cube, index, 1, 0, 0);
                } else if (m <= 0.02f) {
                    setEntry(cube, index, 0, 0.35f, 1);
                } else {
                    setEntry(cube, index, r, g, b);
                }
            }
    return cube;
}

}  // namespace ombrel
