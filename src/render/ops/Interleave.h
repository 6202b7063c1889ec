#pragma once

#include <cstdint>

namespace ombrel::ops {

// `n` pixels of planar red, green and blue runs written as RGBA with alpha 1.
void interleaveOpaque(const float* r, const float* g, const float* b, int n, float* rgba);

// `n` pixels of planar, display-encoded red, green and blue runs, clipped to
// 0...1 (NaN as 0) and rounded to 8 bits, written as B, G, R, 255.
void packBgra8(const float* r, const float* g, const float* b, int n, std::uint8_t* bgra);

}  // namespace ombrel::ops
