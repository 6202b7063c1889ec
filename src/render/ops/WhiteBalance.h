#pragma once

#include "ColorMatrix.h"

namespace ombrel::ops {

// A white point as (temperature in kelvin, tint): the tint moves it off the
// Planckian locus along the locus normal, positive toward green, so that
// correcting for a positive tint turns the picture toward magenta.
struct WhitePoint {
    double kelvin = 6500;
    double tint = 0;
};

// Chromatic adaptation (in linear sRGB) that renders a picture shot under
// `neutral` as if lit by `target`: a higher target temperature warms the
// picture (red rises against blue), a positive target tint shifts it toward
// magenta (green falls against red and blue). Identity when the two are equal.
// Strictly monotone in each of temperature and tint over the slider ranges.
Mat3 temperatureTintMatrix(WhitePoint neutral, WhitePoint target);

}  // namespace ombrel::ops
