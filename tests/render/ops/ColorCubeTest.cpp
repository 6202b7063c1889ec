#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <random>

#include "EachSimdTarget.h"
#include "render/ops/ColorCube.h"

namespace ombrel::ops {
namespace {

using Rgb = std::array<float, 3>;

// A cube of dimension n sampling `f` at the grid values, laid out red
// fastest, then green, then blue.
ColorCube makeCube(int n, const std::function<Rgb(float, float, float)>& f) {
    auto data = std::make_shared<std::vector<float>>();
    for (int bi = 0; bi < n; ++bi)
        for (int gi = 0; gi < n; ++gi)
            for (int ri = 0; ri < n; ++ri) {
                const Rgb c = f(ri / float(n - 1), gi / float(n - 1), bi / float(n - 1));
                data->insert(data->end(), {c[0], c[1], c[2], 1.0f});
            }
    return {n, data};
}

using CubeFn = void (*)(const ColorCube&, float*, float*, float*, int);

Rgb lookUp(CubeFn fn, const ColorCube& cube, Rgb c) {
    fn(cube, &c[0], &c[1], &c[2], 1);
    return c;
}

const CubeFn both[] = {applyCubeTrilinear, applyCubeTetrahedral};

std::vector<Rgb> randomColours(int count, float lo, float hi) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> u(lo, hi);
    std::vector<Rgb> v(count);
    for (Rgb& c : v) c = {u(rng), u(rng), u(rng)};
    return v;
}

TEST(ColorCube, ReadsTheLayoutRedFastestThenGreenThenBlueOverRunsOfAnyLength) {
    // A channel rotation is linear, so both interpolations reproduce it exactly
    // between grid points; a wrong stride would scramble the channels. Runs
    // are shorter and longer than the blocks the lookup works in, with values
    // outside the cube mixed in: they clamp to its faces, NaN to zero.
    const ColorCube rotate = makeCube(5, [](float r, float g, float b) { return Rgb{b, r, g}; });
    const auto clamped = [](float v) { return v > 0 ? std::min(v, 1.0f) : 0.0f; };
    for (CubeFn fn : both)
        for (int length : {1, 63, 65, 1000}) {
            auto colours = randomColours(length, -0.2f, 1.2f);
            colours.back() = {NAN, 40.0f, -3.0f};
            std::vector<float> r, g, b;
            for (const Rgb& c : colours) r.push_back(c[0]), g.push_back(c[1]), b.push_back(c[2]);
            fn(rotate, r.data(), g.data(), b.data(), length);
            const std::vector<float>* planes[] = {&r, &g, &b};
            for (int i = 0; i < length; ++i)
                for (int k = 0; k < 3; ++k)
                    ASSERT_NEAR((*planes[k])[i], clamped(colours[i][(k + 2) % 3]), 1e-6f) << length << " at " << i;
        }
}

TEST(ColorCube, TrilinearAndTetrahedralAgreeOnSmoothCubesAndDifferOnlyInside) {
    // On a curved but smooth cube both interpolations approximate the same
    // function; they differ between grid points, never by much.
    const auto f = [](float r, float g, float b) {
        return Rgb{0.6f * r + 0.3f * g * g + 0.1f * b, std::sqrt(0.2f + 0.8f * g * b), r * (1 - b) + 0.2f * g};
    };
    const ColorCube cube = makeCube(33, f);
    double worstTri = 0, worstTet = 0, gap = 0;
    for (const Rgb& c : randomColours(2000, 0.0f, 1.0f)) {
        const Rgb want = f(c[0], c[1], c[2]);
        const Rgb tri = lookUp(applyCubeTrilinear, cube, c), tet = lookUp(applyCubeTetrahedral, cube, c);
        for (int k = 0; k < 3; ++k) {
            worstTri = std::max(worstTri, double(std::fabs(tri[k] - want[k])));
            worstTet = std::max(worstTet, double(std::fabs(tet[k] - want[k])));
            gap = std::max(gap, double(std::fabs(tri[k] - tet[k])));
        }
    }
    EXPECT_LT(worstTri, 2e-3);
    EXPECT_LT(worstTet, 2e-3);
    EXPECT_GT(gap, 1e-6) << "the two interpolations should not be the same code";
}

TEST(ColorCube, ChannelTablesEqualTheCubeOfASeparableMapping) {
    // A tone-like mapping per channel, as the tone table builds it.
    const int n = 64;
    ChannelTables tables{n, {}, {}, {}};
    for (int i = 0; i < n; ++i) {
        const float x = i / float(n - 1);
        tables.red.push_back(x * x * (3 - 2 * x));
        tables.green.push_back(std::pow(x, 0.6f));
        tables.blue.push_back(0.05f + 0.9f * x * x);
    }
    const ColorCube cube = makeCube(n, [&](float r, float g, float b) {
        return Rgb{tables.red[std::lround(r * (n - 1))], tables.green[std::lround(g * (n - 1))],
                   tables.blue[std::lround(b * (n - 1))]};
    });
    auto colours = randomColours(3001, -0.2f, 1.2f);
    colours.push_back({0, 1, 0.5f});
    colours.push_back({NAN, 1.0f / 63, 62.5f / 63});
    // One long run, as the engine applies them (and as the vector code runs).
    test::forEachSimdTarget([&] {
        std::vector<float> r, g, b;
        for (const Rgb& c : colours) r.push_back(c[0]), g.push_back(c[1]), b.push_back(c[2]);
        applyChannelTables(tables, r.data(), g.data(), b.data(), static_cast<int>(colours.size()));
        for (std::size_t i = 0; i < colours.size(); ++i) {
            const Rgb viaTables{r[i], g[i], b[i]};
            const Rgb tri = lookUp(applyCubeTrilinear, cube, colours[i]);
            const Rgb tet = lookUp(applyCubeTetrahedral, cube, colours[i]);
            for (int k = 0; k < 3; ++k) {
                ASSERT_NEAR(viaTables[k], tri[k], 1e-6f) << i << " channel " << k;
                ASSERT_NEAR(viaTables[k], tet[k], 1e-6f) << i << " channel " << k;
            }
        }
    });
}

TEST(ColorCube, ChannelTablesOfAnySizeInterpolateLinearly) {
    // Sizes below, at and above what fits in registers.
    for (int size : {2, 17, 64, 65, 256}) {
        ChannelTables t{size, {}, {}, {}};
        for (int i = 0; i < size; ++i) {
            const float x = i / float(size - 1);
            t.red.push_back(x * x);
            t.green.push_back(1 - x);
            t.blue.push_back(0.5f);
        }
        std::vector<float> r(101), g(101), b(101);
        for (int i = 0; i < 101; ++i) r[i] = g[i] = b[i] = -0.1f + 1.2f * i / 100;
        const std::vector<float> in = r;
        applyChannelTables(t, r.data(), g.data(), b.data(), 101);
        for (int i = 0; i < 101; ++i) {
            const float x = std::clamp(in[i], 0.0f, 1.0f), p = x * (size - 1);
            const int cell = std::min(static_cast<int>(p), size - 2);
            const float f = p - cell;
            ASSERT_NEAR(r[i], (1 - f) * t.red[cell] + f * t.red[cell + 1], 1e-6f) << size << " at " << in[i];
            ASSERT_NEAR(g[i], 1 - x, 1e-6f) << size << " at " << in[i];
            ASSERT_EQ(b[i], 0.5f);
        }
    }
}

TEST(ColorCube, UnusableTablesLeaveThePixelsAlone) {
    std::vector<float> r(37), g(37, 0.25f), b(37);
    for (int i = 0; i < 37; ++i) r[i] = i / 36.0f, b[i] = 1 - i / 36.0f;
    const std::vector<float> before = r;
    for (CubeFn fn : both) fn(ColorCube{3, nullptr}, r.data(), g.data(), b.data(), 37);
    applyChannelTables(ChannelTables{4, {0, 1}, {0, 1}, {0, 1}}, r.data(), g.data(), b.data(), 37);
    EXPECT_EQ(r, before);
}

}  // namespace
}  // namespace ombrel::ops
