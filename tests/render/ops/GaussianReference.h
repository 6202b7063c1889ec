#pragma once

#include <algorithm>
#include <cmath>
#include <random>

#include "PlanarImages.h"

namespace ombrel::test {

// Direct 2D Gaussian convolution in double precision with clamped indices
// and a wide (5 sigma) kernel: slow, obviously right.
inline double gaussianAt(const PlanarImage& img, int c, int x, int y, double sigma) {
    const int r = static_cast<int>(std::ceil(5 * sigma));
    double sum = 0, weights = 0;
    for (int dy = -r; dy <= r; ++dy)
        for (int dx = -r; dx <= r; ++dx) {
            const double w = std::exp(-(dx * dx + dy * dy) / (2 * sigma * sigma));
            const int sx = std::clamp(x + dx, 0, img.width() - 1), sy = std::clamp(y + dy, 0, img.height() - 1);
            sum += w * img.row(c, sy)[sx];
            weights += w;
        }
    return sum / weights;
}

// Uniform noise in 0...1, seeded.
inline PlanarImage randomImage(int w, int h, unsigned seed = 11) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> u(0.0f, 1.0f);
    return planarFrom(w, h, [&](int, int, int) { return u(rng); });
}

// Whether two images hold exactly the same samples.
inline bool identical(const PlanarImage& a, const PlanarImage& b) {
    if (a.width() != b.width() || a.height() != b.height()) return false;
    return std::equal(a.plane(0), a.plane(0) + a.sampleCount() * 3, b.plane(0));
}

// Picture shapes that corner the edge handling: single rows and columns, one
// pixel, and sizes smaller than the widest kernels.
struct Shape {
    int width, height;
};
inline constexpr Shape awkwardShapes[] = {{1, 1}, {1, 9}, {9, 1}, {2, 2}, {3, 4}, {5, 2}, {17, 3}};

}  // namespace ombrel::test
