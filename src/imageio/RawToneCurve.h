#pragma once

#include "render/PixelBuffer.h"

#include <array>

namespace ombrel {

// The linear factor applied to every RAW decode: sensor white comes out a
// quarter stop above 1, which together with the tone boost puts a grey card
// within a sixth of a stop of where cameras' own JPEGs put it, times the
// file's own baseline exposure (a DNG tag; 0 without it). The boost's
// shoulder brings sensor white back down to 1.
float exposureGain(double baselineExposure);

// The tone boost: a camera-like base curve for linear RAW data. Mid-grey
// (0.18) stays where it is; a toe deepens the shadows the way cameras do
// (a chart's black patch two thirds of a stop down, mid-tones barely
// touched); above a knee the highlights roll off exponentially so that
// sensor white lands exactly on white instead of clipping. Monotonic and
// smooth (continuous slope).
//
// The curve is applied to a norm of each pixel and R, G and B are scaled by
// the same ratio, so the boost changes no hue; where a scaled channel would
// still pass white, the pixel is desaturated towards its luminance, so
// highlights roll off to neutral instead of clipping channel by channel.
class ToneBoost {
public:
    // `white`: where sensor white lies after the exposure gain.
    explicit ToneBoost(float white);

    // The tone curve, for a pixel's norm; 0 and below give 0.
    float curve(float x) const;

    // The norm the curve is applied to: sum c^3 / sum c^2 over the channels
    // (negative ones counting as 0). It follows the strongest channel of
    // saturated colours, so the toe does not crush dark saturated colours as
    // luminance would, and equals the value itself on greys.
    static float norm(float r, float g, float b);

    // Boosts the colour channels of every pixel; alpha is kept.
    void apply(Image& image) const;

private:
    static constexpr int lutSize = 4096;

    double exact(double x) const;
    float ratio(float norm) const;  // curve(norm) / norm, from the table

    double shoulderSlope_ = 1;  // curve slope at the knee
    double shoulderRoom_ = 0;   // the shoulder's asymptote above the knee value; 0: a straight line
    float lutTop_ = 1;
    std::array<float, lutSize + 1> ratios_{};
};

}  // namespace ombrel
