#pragma once

#include "CurveSet.h"

#include <vector>

namespace ombrel {

// Monotone piecewise-cubic Hermite interpolation (Fritsch-Carlson) through a
// tone curve's control points: between rising points the curve never dips or
// overshoots, and flat runs stay flat.
class Curve {
public:
    explicit Curve(CurvePoints points);

    // Within 0...1 for two or more points; flat outside the first and last
    // point. Fewer than two points: the input comes back unchanged.
    double eval(double x) const;

    const CurvePoints& points() const { return pts_; }
    const std::vector<double>& tangents() const { return m_; }

private:
    CurvePoints pts_;
    std::vector<double> m_;
};

}  // namespace ombrel
