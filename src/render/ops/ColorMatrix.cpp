#include "ColorMatrix.h"

#include "Multiversion.h"

namespace ombrel::ops {

Mat3 Mat3::operator*(const Mat3& rhs) const {
    Mat3 out;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            out.m[i * 3 + j] = m[i * 3] * rhs.m[j] + m[i * 3 + 1] * rhs.m[3 + j] + m[i * 3 + 2] * rhs.m[6 + j];
    return out;
}

OMBREL_MULTIVERSION void applyMatrix(const Mat3& matrix, float* __restrict r, float* __restrict g, float* __restrict b,
                                     int n) {
    const float m0 = matrix.m[0], m1 = matrix.m[1], m2 = matrix.m[2];
    const float m3 = matrix.m[3], m4 = matrix.m[4], m5 = matrix.m[5];
    const float m6 = matrix.m[6], m7 = matrix.m[7], m8 = matrix.m[8];
    for (int i = 0; i < n; ++i) {
        const float x = r[i], y = g[i], z = b[i];
        r[i] = m0 * x + m1 * y + m2 * z;
        g[i] = m3 * x + m4 * y + m5 * z;
        b[i] = m6 * x + m7 * y + m8 * z;
    }
}

}  // namespace ombrel::ops
