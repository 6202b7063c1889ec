#pragma once

#include <cmath>
#include <random>

#include "render/PlanarImage.h"

namespace ombrel::test {

// A `width` x `height` planar image whose sample (x, y) in plane c is f(c, x, y).
template <typename F>
PlanarImage planarFrom(int width, int height, F f) {
    PlanarImage img(width, height);
    for (int c = 0; c < 3; ++c)
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) img.row(c, y)[x] = static_cast<float>(f(c, x, y));
    return img;
}

// Gaussian noise of standard deviation `sigma` around `level`, seeded.
inline PlanarImage noisyFlat(int width, int height, float level, float sigma, unsigned seed = 1) {
    std::mt19937 rng(seed);
    std::normal_distribution<float> noise(0.0f, sigma);
    return planarFrom(width, height, [&](int, int, int) { return level + noise(rng); });
}

struct PlaneStats {
    double mean = 0, stddev = 0;
};

// Mean and standard deviation of plane c over the rectangle [x0, x1) x [y0, y1).
inline PlaneStats statsOf(const PlanarImage& img, int c, int x0, int y0, int x1, int y1) {
    double sum = 0, sum2 = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const double v = img.row(c, y)[x];
            sum += v;
            sum2 += v * v;
        }
    const double n = double(x1 - x0) * (y1 - y0);
    const double mean = sum / n;
    return {mean, std::sqrt(std::max(0.0, sum2 / n - mean * mean))};
}

inline PlaneStats statsOf(const PlanarImage& img, int c) { return statsOf(img, c, 0, 0, img.width(), img.height()); }

}  // namespace ombrel::test
