#pragma once

namespace ombrel::ops {

// Rec. 709 luminance weights, used wherever a grey of equal brightness is needed.
inline constexpr float lumaR = 0.2126f, lumaG = 0.7152f, lumaB = 0.0722f;

// Blend each pixel toward its luminance: factor 1 leaves it, 0 gives grey,
// above 1 moves away from grey.
void saturate(float factor, float* r, float* g, float* b, int n);

// Saturation weighted toward weakly saturated colours (amount -1...1, 0 is
// identity); already saturated and skin-like colours move least.
void vibrance(float amount, float* r, float* g, float* b, int n);

}  // namespace ombrel::ops
