#pragma once

#include <cmath>

namespace ombrel {

// A 2D affine map: x' = a x + b y + tx, y' = c x + d y + ty.
struct Affine {
    double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;

    static Affine translation(double x, double y) { return {1, 0, 0, 1, x, y}; }
    static Affine scaling(double s) { return {s, 0, 0, s, 0, 0}; }

    void apply(double x, double y, double& outX, double& outY) const {
        outX = a * x + b * y + tx;
        outY = c * x + d * y + ty;
    }
    // (this * rhs)(p) = this(rhs(p)).
    Affine operator*(const Affine& r) const {
        return {a * r.a + b * r.c, a * r.b + b * r.d, c * r.a + d * r.c,
                c * r.b + d * r.d, a * r.tx + b * r.ty + tx, c * r.tx + d * r.ty + ty};
    }
    // How many units of the target one unit of the source covers, on average.
    double linearScale() const { return std::sqrt(std::abs(a * d - b * c)); }
};

}  // namespace ombrel
