#pragma once

#include <vector>

namespace ombrel {

// One control point of a tone curve: input level -> output level, both on
// display-encoded values in 0...1.
struct CurvePoint {
    double x = 0;
    double y = 0;
    bool operator==(const CurvePoint&) const = default;
};

using CurvePoints = std::vector<CurvePoint>;

// The four point curves. Points stay in the order the editor left them;
// evaluation sorts them (see Curve), so equality is order-sensitive.
struct CurveSet {
    static const CurvePoints& identity();

    CurvePoints master = identity();
    CurvePoints red = identity();
    CurvePoints green = identity();
    CurvePoints blue = identity();

    bool operator==(const CurveSet&) const = default;
};

}  // namespace ombrel
