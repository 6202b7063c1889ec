#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "EachSimdTarget.h"
#include "render/ops/BilinearSample.h"

namespace ombrel::ops {
namespace {

// Each plane a different smooth-ish function with some noise, so a sample
// read from the wrong pixel, row or plane shows.
PlanarImage pattern(int w, int h) {
    PlanarImage image(w, h);
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> noise(-0.2f, 0.2f);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            image.row(0, y)[x] = 0.01f * x + noise(rng);
            image.row(1, y)[x] = 0.02f * y + noise(rng);
            image.row(2, y)[x] = 1.0f + 0.5f * std::sin(0.3f * x + 0.7f * y) + noise(rng);
        }
    return image;
}

// Straight from the definition, in double: clamp to the outermost pixel
// centres, then weigh the four neighbours.
double reference(const PlanarImage& image, int c, double x, double y) {
    const int w = image.width(), h = image.height();
    if (std::isnan(x)) x = 0.5;
    if (std::isnan(y)) y = 0.5;
    const double u = std::clamp(x - 0.5, 0.0, double(w - 1)), v = std::clamp(y - 0.5, 0.0, double(h - 1));
    const int i0 = std::min(int(u), w - 1), j0 = std::min(int(v), h - 1);
    const int i1 = std::min(i0 + 1, w - 1), j1 = std::min(j0 + 1, h - 1);
    const double tx = u - i0, ty = v - j0;
    auto at = [&](int i, int j) { return double(image.row(c, j)[i]); };
    return (1 - ty) * ((1 - tx) * at(i0, j0) + tx * at(i1, j0)) + ty * ((1 - tx) * at(i0, j1) + tx * at(i1, j1));
}

// On every vector width the processor has: each takes its own path.
void expectMatchesReference(const PlanarImage& image, const std::vector<float>& xs, const std::vector<float>& ys) {
    test::forEachSimdTarget([&] {
        const int n = static_cast<int>(xs.size());
        std::vector<float> r(n), g(n), b(n);
        sampleBilinear(image, xs.data(), ys.data(), r.data(), g.data(), b.data(), n);
        const float* outs[3] = {r.data(), g.data(), b.data()};
        for (int i = 0; i < n; ++i)
            for (int c = 0; c < 3; ++c) {
                ASSERT_NEAR(outs[c][i], reference(image, c, xs[i], ys[i]), 2e-5)
                    << "plane " << c << " at (" << xs[i] << ", " << ys[i] << ") of " << image.width() << "x"
                    << image.height();
            }
    });
}

// Rows of positions as the engine makes them: a start and a constant step.
void row(std::vector<float>& xs, std::vector<float>& ys, double x, double y, double dx, double dy, int n) {
    for (int i = 0; i < n; ++i) {
        xs.push_back(static_cast<float>(x + i * dx));
        ys.push_back(static_cast<float>(y + i * dy));
    }
}

TEST(BilinearSample, RowsAtEveryStepAndAngleOnEveryShapeMatchTheDefinition) {
    const PlanarImage image = pattern(301, 97);
    // Steps from strong enlargement to shrinking, level and turned, mirrored
    // (negative steps), steep enough to cross many rows within a few pixels.
    const double steps[][2] = {{1, 0}, {0.25, 0}, {1.25, 0.03}, {0.97, -0.026}, {-1, 0}, {2.7, 0},
                               {0.3, 0.9}, {0, 1}, {-0.8, -0.6}, {5, 3}};
    for (const auto& step : steps) {
        std::vector<float> xs, ys;
        for (double y0 : {-3.0, 0.5, 10.37, 48.9, 96.2, 99.0}) row(xs, ys, 13.3, y0, step[0], step[1], 237);
        row(xs, ys, 290.1, 40.6, step[0], step[1], 61);
        expectMatchesReference(image, xs, ys);
    }
    // Tiny and narrow pictures, with positions all over them and beyond.
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> anywhere(-2, 40);
    for (auto [w, h] : {std::pair{1, 1}, {1, 9}, {9, 1}, {2, 2}, {31, 3}, {32, 2}, {33, 5}}) {
        std::vector<float> xs, ys;
        for (int i = 0; i < 53; ++i) {
            xs.push_back(std::fmod(anywhere(rng), float(w + 2)));
            ys.push_back(std::fmod(anywhere(rng), float(h + 2)));
        }
        row(xs, ys, 0.2, 0.7, 0.9, 0.05, 40);
        expectMatchesReference(pattern(w, h), xs, ys);
    }
}

TEST(BilinearSample, EdgesExtendAndNaNTakesTheFirstPixel) {
    const PlanarImage image = pattern(40, 33);
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    std::vector<float> xs = {-5, 0, 0.5, 39.5, 40, 1e9f, nan, 3, inf, -inf, 20.25f, 39.99f, 0.5f, 17, 17, 39.5f, 2};
    std::vector<float> ys = {3, 0, 0.5, 32.5, 33, 5, 2, nan, 4, 1, -1e9f, 32.99f, 32.5f, inf, -inf, 0.5f, 16.6f};
    expectMatchesReference(image, xs, ys);
    // Exactly on a pixel centre, or beyond the edges, the pixel itself, to
    // the bit: the last column and row included.
    test::forEachSimdTarget([&] {
        const std::vector<std::pair<float, float>> at = {{7.5f, 11.5f}, {39.5f, 11.5f}, {12.5f, 32.5f},
                                                         {39.5f, 32.5f}, {60, 50}, {0.5f, 0.5f}};
        for (auto [x, y] : at) {
            std::vector<float> xs(17, x), ys(17, y), r(17), g(17), b(17);
            sampleBilinear(image, xs.data(), ys.data(), r.data(), g.data(), b.data(), 17);
            const int i = std::min(static_cast<int>(x), 39), j = std::min(static_cast<int>(y), 32);
            const std::array want{image.row(0, j)[i], image.row(1, j)[i], image.row(2, j)[i]};
            for (int k = 0; k < 17; ++k) ASSERT_EQ((std::array{r[k], g[k], b[k]}), want) << x << ", " << y;
        }
    });
}

TEST(BilinearSample, APixelsValueDoesNotDependOnWhereItsRunStarts) {
    // Runs of any length and offset give bit-identical values, so a region
    // render matches the same pixels of a whole render.
    const PlanarImage image = pattern(120, 60);
    std::vector<float> xs, ys;
    row(xs, ys, 3.3, 20.1, 0.93, 0.021, 100);
    test::forEachSimdTarget([&] {
        std::vector<float> whole(100), part(100), unused(100);
        sampleBilinear(image, xs.data(), ys.data(), whole.data(), unused.data(), unused.data(), 100);
        for (int start : {1, 5, 17, 33, 90})
            for (int length : {1, 3, 15, 16, 17}) {
                if (start + length > 100) continue;
                sampleBilinear(image, xs.data() + start, ys.data() + start, part.data(), unused.data(),
                               unused.data(), length);
                for (int i = 0; i < length; ++i) ASSERT_EQ(part[i], whole[start + i]) << start << "+" << i;
            }
    });
}

}  // namespace
}  // namespace ombrel::ops
