#pragma once

#include "PixelBuffer.h"

namespace ombrel {

// The tone boost: a camera-like base curve for linear RAW data, in linear
// light. Mid-grey (0.18) stays where it is; around it contrast rises gently
// (a power law in log-log space, so shadows get a little deeper and the upper
// mid-tones a little brighter); above a knee the highlights roll off
// exponentially towards 1, so sensor white (which the decoder places somewhat
// above 1) lands just below 1 instead of clipping. Monotonic and smooth
// (continuous slope); 0 and below give 0.
float toneBoost(float x);

// The linear factor applied to every RAW decode: sensor white comes out
// half a stop above 1, which places mid-tones where cameras put them, plus the
// file's own baseline exposure (a DNG tag; 0 without it). The boost's
// shoulder is shaped for this placement.
float exposureGain(double baselineExposure);

// Applies toneBoost to the colour channels of every pixel; alpha is kept.
void applyToneBoost(Image& image);

}  // namespace ombrel
