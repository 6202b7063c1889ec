#include "Saturation.h"

#include <algorithm>

#include "Multiversion.h"

namespace ombrel::ops {
namespace {

float luma(float r, float g, float b) { return lumaR * r + lumaG * g + lumaB * b; }

// How strongly vibrance moves a colour (0...1): weakly saturated colours
// fully, vivid ones hardly at all, and skin-like hues (red above green above
// blue, hue roughly 10 to 45 degrees) about half as much as other hues of the
// same saturation. Comparisons and min/max only, so the loop vectorises.
float vibranceWeight(float r, float g, float b) {
    const float hi = std::max(r, std::max(g, b)), lo = std::min(r, std::min(g, b));
    const float saturation = std::min((hi - lo) / std::max(hi, 1e-6f), 1.0f);
    const float dullness = (1.0f - saturation) * (1.0f - saturation);
    // (g - b) / (r - b) is the hue within the red-to-yellow sixth (0 red, 1 yellow).
    const float hueInSixth = (g - b) / std::max(r - b, 1e-6f);
    const bool warm = r >= g && g >= b;
    const float skin = warm ? std::max(0.0f, 1.0f - std::abs(hueInSixth - 0.45f) / 0.35f) : 0.0f;
    return dullness * (1.0f - 0.5f * skin);
}

// Each channel moves away from the luminance by `push` times its distance to
// it; written as x + push * (x - l) so that push 0 returns x exactly.
void push(float push, float l, float& r, float& g, float& b) {
    r += push * (r - l);
    g += push * (g - l);
    b += push * (b - l);
}

}  // namespace

OMBREL_MULTIVERSION void saturate(float factor, float* __restrict r, float* __restrict g, float* __restrict b, int n) {
    for (int i = 0; i < n; ++i) push(factor - 1.0f, luma(r[i], g[i], b[i]), r[i], g[i], b[i]);
}

OMBREL_MULTIVERSION void vibrance(float amount, float* __restrict r, float* __restrict g, float* __restrict b, int n) {
    for (int i = 0; i < n; ++i)
        push(amount * vibranceWeight(r[i], g[i], b[i]), luma(r[i], g[i], b[i]), r[i], g[i], b[i]);
}

}  // namespace ombrel::ops
