#pragma once

#include <memory>
#include <vector>

namespace ombrel::ops {

// A 3D lookup table: dimension N, N^3 RGBA float entries with red varying
// fastest, then green, then blue; the grid value of index i is i / (N - 1).
struct ColorCube {
    int dimension = 0;
    std::shared_ptr<const std::vector<float>> data;  // N^3 * 4 floats
};

// In place over a run of pixels; inputs clamped to the cube, then interpolated
// between the eight surrounding grid points (trilinear).
void applyCubeTrilinear(const ColorCube& cube, float* r, float* g, float* b, int n);

// The same with tetrahedral interpolation (four grid points): exact at grid
// points, continuous, cheaper.
void applyCubeTetrahedral(const ColorCube& cube, float* r, float* g, float* b, int n);

// Per-channel 1D tables (each `size` entries over 0...1, linearly
// interpolated, inputs clamped): what a separable cube reduces to.
struct ChannelTables {
    int size = 0;
    std::vector<float> red, green, blue;
};
void applyChannelTables(const ChannelTables& tables, float* r, float* g, float* b, int n);

}  // namespace ombrel::ops
