// The channel-table run is compiled once per SIMD target by Highway (see the
// end of the file); the cube lookups are plain code, compiled once.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "render/ops/ColorCube.cpp"
#include "ColorCube.h"

#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "Multiversion.h"

#ifndef OMBREL_COLOR_CUBE_SHARED
#define OMBREL_COLOR_CUBE_SHARED
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

// Two neighbouring entries along red (RGBA RGBA) in one 256-bit register.
using V8 = float __attribute__((vector_size(32)));

// Fills `v` instead of returning it: a 256-bit value in the signature would
// tie the call to the AVX calling convention, which clang refuses to compile
// into the clones for targets without AVX.
void loadPair(V8& v, const float* data, int index) {
    std::memcpy(&v, data + static_cast<std::size_t>(index) * 4, sizeof v);
}

OMBREL_MULTIVERSION void applyCubeTrilinear(const ColorCube& cube, float* r, float* g, float* b, int n) {
    if (!usable(cube)) return;
    const int dim = cube.dimension, cells = dim - 1;
    const float* data = cube.data->data();
    const int dg = dim, db = dim * dim;
    // Blocks of pixels in three passes: cells and weights for the whole
    // block (vectorised across pixels), then per pixel four loads of entry
    // pairs weighed together (the red lerp folded into the last multiply),
    // then the RGBA results back into the three runs.
    constexpr int block = 64;
    alignas(64) int offset[block];
    alignas(64) float wr[block], w00[block], w10[block], w01[block], w11[block];
    alignas(64) float rgba[block * 4];
    for (int start = 0; start < n; start += block) {
        const int count = std::min(block, n - start);
        float* rs = r + start;
        float* gs = g + start;
        float* bs = b + start;
        for (int k = 0; k < count; ++k) {
            const Axis ar = locate(rs[k], cells), ag = locate(gs[k], cells), ab = locate(bs[k], cells);
            offset[k] = (ab.cell * dim + ag.cell) * dim + ar.cell;
            wr[k] = ar.fraction;
            const float g1 = ag.fraction, g0 = 1.0f - g1, b1 = ab.fraction, b0 = 1.0f - b1;
            w00[k] = g0 * b0;
            w10[k] = g1 * b0;
            w01[k] = g0 * b1;
            w11[k] = g1 * b1;
        }
        for (int k = 0; k < count; ++k) {
            const int o = offset[k];
            V8 p00, p10, p01, p11;
            loadPair(p00, data, o);
            loadPair(p10, data, o + dg);
            loadPair(p01, data, o + db);
            loadPair(p11, data, o + db + dg);
            const V8 mix = p00 * w00[k] + p10 * w10[k] + p01 * w01[k] + p11 * w11[k];
            const V4 low = {mix[0], mix[1], mix[2], mix[3]}, high = {mix[4], mix[5], mix[6], mix[7]};
            const V4 c = lerp(low, high, wr[k]);
            std::memcpy(rgba + 4 * k, &c, sizeof c);
        }
        for (int k = 0; k < count; ++k) {
            rs[k] = rgba[4 * k];
            gs[k] = rgba[4 * k + 1];
            bs[k] = rgba[4 * k + 2];
        }
    }
}

OMBREL_MULTIVERSION void applyCubeTetrahedral(const ColorCube& cube, float* r, float* g, float* b, int n) {
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

namespace {

// A channel table as cells of (start value, rise), padded to `capacity`
// cells: small enough to sit in vector registers, where lanes look their
// cells up by permutes instead of gathers.
struct CellTable {
    static constexpr int capacity = 64;
    int cells = 0;
    alignas(64) std::array<float, capacity> value{}, rise{};
};

CellTable cellTable(const std::vector<float>& table, int size) {
    CellTable t;
    t.cells = size - 1;
    for (int i = 0; i < t.cells; ++i) {
        t.value[i] = table[i];
        t.rise[i] = table[i + 1] - table[i];
    }
    return t;
}

// The plain lookup, for tables too large for registers and narrow targets.
void throughTable(const float* table, int cells, float* values, int n) {
    for (int i = 0; i < n; ++i) {
        const Axis a = locate(values[i], cells);
        values[i] = lerp(table[a.cell], table[a.cell + 1], a.fraction);
    }
}

}  // namespace
}  // namespace ombrel::ops
#endif  // OMBREL_COLOR_CUBE_SHARED

HWY_BEFORE_NAMESPACE();
namespace ombrel::ops::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// Linear interpolation in a table of at most 64 cells. With 8 or 16 lanes the
// table is 8 or 4 vectors; every lane permutes its cell out of each and keeps
// the one whose block holds it.
void ThroughCells(const CellTable& t, const float* table, float* values, int n) {
    const hn::ScalableTag<float> d;
    const hn::RebindToSigned<decltype(d)> di;
    constexpr int lanes = static_cast<int>(hn::MaxLanes(d));
    if constexpr (lanes < 8) {
        throughTable(table, t.cells, values, n);
    } else {
        constexpr int blocks = CellTable::capacity / lanes;
        constexpr int shift = lanes == 8 ? 3 : 4;
        using V = decltype(hn::Zero(d));
        V value[blocks], rise[blocks];
        for (int k = 0; k < blocks; ++k) {
            value[k] = hn::Load(d, t.value.data() + k * lanes);
            rise[k] = hn::Load(d, t.rise.data() + k * lanes);
        }
        const auto zero = hn::Zero(d), one = hn::Set(d, 1.0f), cells = hn::Set(d, static_cast<float>(t.cells));
        const auto lastCell = hn::Set(di, t.cells - 1), laneMask = hn::Set(di, lanes - 1);
        int i = 0;
        for (; i + lanes <= n; i += lanes) {
            // Max(x, 0) returns 0 for NaN, as the scalar clamp does.
            const auto p = hn::Mul(hn::Min(hn::Max(hn::LoadU(d, values + i), zero), one), cells);
            const auto cell = hn::Min(hn::ConvertTo(di, p), lastCell);
            const auto fraction = hn::Sub(p, hn::ConvertTo(d, cell));
            const auto lane = hn::IndicesFromVec(d, hn::And(cell, laneMask));
            const auto block = hn::ShiftRight<shift>(cell);
            auto v = hn::TableLookupLanes(value[0], lane), r = hn::TableLookupLanes(rise[0], lane);
            for (int k = 1; k < blocks; ++k) {
                const auto here = hn::RebindMask(d, hn::Eq(block, hn::Set(di, k)));
                v = hn::IfThenElse(here, hn::TableLookupLanes(value[k], lane), v);
                r = hn::IfThenElse(here, hn::TableLookupLanes(rise[k], lane), r);
            }
            hn::StoreU(hn::MulAdd(fraction, r, v), d, values + i);
        }
        throughTable(table, t.cells, values + i, n - i);
    }
}

}  // namespace ombrel::ops::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace ombrel::ops {

HWY_EXPORT(ThroughCells);

void applyChannelTables(const ChannelTables& tables, float* r, float* g, float* b, int n) {
    const auto size = static_cast<std::size_t>(tables.size);
    if (tables.size < 2 || tables.red.size() < size || tables.green.size() < size || tables.blue.size() < size) return;
    const int cells = tables.size - 1;
    const std::vector<float>* sources[3] = {&tables.red, &tables.green, &tables.blue};
    float* runs[3] = {r, g, b};
    for (int c = 0; c < 3; ++c) {
        if (cells <= CellTable::capacity) {
            HWY_DYNAMIC_DISPATCH(ThroughCells)(cellTable(*sources[c], tables.size), sources[c]->data(), runs[c], n);
        } else {
            throughTable(sources[c]->data(), cells, runs[c], n);
        }
    }
}

}  // namespace ombrel::ops
#endif
