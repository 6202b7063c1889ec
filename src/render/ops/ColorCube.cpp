#include "ColorCube.h"

#include <algorithm>
#include <cstring>

namespace ombrel::ops {
namespace {

// One cube entry (RGBA) in a 128-bit register: the interpolation of all three
// channels then costs the same as one. Gathering single floats per channel
// is slower than these scalar-indexed vector loads.
using V4 = float __attribute__((vector_size(16)));

V4 entry(const float* data, int index) {
    V4 v;
    std::memcpy(&v, data + static_cast<std::size_t>(index) * 4, sizeof v);
    return v;
}

V4 lerp(V4 a, V4 b, float t) { return a + t * (b - a); }

float lerp(float a, float b, float t) { return a + t * (b - a); }

// Clamped to 0...1 (NaN to 0), then split into a cell index (at most
// cells - 1, so the top value interpolates within the last cell) and the
// fraction inside that cell.
struct Axis {
    int cell;
    float fraction;
};

Axis locate(float x, int cells) {
    // std::max(0, NaN) is 0; unlike fmin/fmax these compile to single
    // instructions rather than library calls.
    const float clamped = std::min(std::max(0.0f, x), 1.0f);
    const float p = clamped * static_cast<float>(cells);
    const int cell = std::min(static_cast<int>(p), cells - 1);
    return {cell, p - static_cast<float>(cell)};
}

bool usable(const ColorCube& cube) {
    const auto n = static_cast<std::size_t>(cube.dimension);
    return cube.dimension >= 2 && cube.data && cube.data->size() >= n * n * n * 4;
}

void store(V4 c, float* r, float* g, float* b, int i) {
    r[i] = c[0];
    g[i] = c[1];
    b[i] = c[2];
}

}  // namespace

void applyCubeTrilinear(const ColorCube& cube, float* r, float* g, float* b, int n) {
    if (!usable(cube)) return;
    const int dim = cube.dimension, cells = dim - 1;
    const float* data = cube.data->data();
    const int dg = dim, db = dim * dim;
    for (int i = 0; i < n; ++i) {
        const Axis ar = locate(r[i], cells), ag = locate(g[i], cells), ab = locate(b[i], cells);
        const int o = (ab.cell * dim + ag.cell) * dim + ar.cell;
        const V4 c00 = lerp(entry(data, o), entry(data, o + 1), ar.fraction);
        const V4 c10 = lerp(entry(data, o + dg), entry(data, o + dg + 1), ar.fraction);
        const V4 c01 = lerp(entry(data, o + db), entry(data, o + db + 1), ar.fraction);
        const V4 c11 = lerp(entry(data, o + db + dg), entry(data, o + db + dg + 1), ar.fraction);
        store(lerp(lerp(c00, c10, ag.fraction), lerp(c01, c11, ag.fraction), ab.fraction), r, g, b, i);
    }
}

void applyCubeTetrahedral(const ColorCube& cube, float* r, float* g, float* b, int n) {
    if (!usable(cube)) return;
    const int dim = cube.dimension, cells = dim - 1;
    const float* data = cube.data->data();
    const int dr = 1, dg = dim, db = dim * dim;
    for (int i = 0; i < n; ++i) {
        const Axis ar = locate(r[i], cells), ag = locate(g[i], cells), ab = locate(b[i], cells);
        const float fr = ar.fraction, fg = ag.fraction, fb = ab.fraction;
        // The tetrahedron walks from the cell's low corner along the axis of
        // the largest fraction, then the middle one, to the high corner. Ties
        // go to red first for the largest and to blue first for the smallest,
        // so the two are always different axes. Written with min/max and
        // 0/1 products: branches here mispredict on every noisy pixel.
        const float hi = std::max(fr, std::max(fg, fb)), lo = std::min(fr, std::min(fg, fb));
        const float mid = fr + fg + fb - hi - lo;
        const int rMax = (fr >= fg) & (fr >= fb), gMax = (1 - rMax) & (fg >= fb), bMax = 1 - rMax - gMax;
        const int bMin = (fb <= fg) & (fb <= fr), gMin = (1 - bMin) & (fg <= fr), rMin = 1 - bMin - gMin;
        const int step1 = rMax * dr + gMax * dg + bMax * db;
        const int step3 = dr + dg + db;
        const int step2 = step3 - (rMin * dr + gMin * dg + bMin * db);
        const int o = (ab.cell * dim + ag.cell) * dim + ar.cell;
        const V4 c = (1.0f - hi) * entry(data, o) + (hi - mid) * entry(data, o + step1) +
                     (mid - lo) * entry(data, o + step2) + lo * entry(data, o + step3);
        store(c, r, g, b, i);
    }
}

void applyChannelTables(const ChannelTables& tables, float* r, float* g, float* b, int n) {
    const auto size = static_cast<std::size_t>(tables.size);
    if (tables.size < 2 || tables.red.size() < size || tables.green.size() < size || tables.blue.size() < size) return;
    const int cells = tables.size - 1;
    const auto through = [cells](const float* table, float* values, int count) {
        for (int i = 0; i < count; ++i) {
            const Axis a = locate(values[i], cells);
            values[i] = lerp(table[a.cell], table[a.cell + 1], a.fraction);
        }
    };
    through(tables.red.data(), r, n);
    through(tables.green.data(), g, n);
    through(tables.blue.data(), b, n);
}

}  // namespace ombrel::ops
