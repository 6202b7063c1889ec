#pragma once

#include <array>

namespace ombrel::ops {

// A 3 x 3 colour matrix, row-major: out = M * (r, g, b).
struct Mat3 {
    std::array<float, 9> m{1, 0, 0, 0, 1, 0, 0, 0, 1};

    static Mat3 identity() { return {}; }
    static Mat3 scaling(float s) { return {{s, 0, 0, 0, s, 0, 0, 0, s}}; }
    Mat3 operator*(const Mat3& rhs) const;
    bool operator==(const Mat3&) const = default;
};

// In place over one run of pixels, each channel in its own array.
void applyMatrix(const Mat3& matrix, float* r, float* g, float* b, int n);

}  // namespace ombrel::ops
