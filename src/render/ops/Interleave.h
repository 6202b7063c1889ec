#pragma once

namespace ombrel::ops {

// `n` pixels of planar red, green and blue runs written as RGBA with alpha 1.
void interleaveOpaque(const float* r, const float* g, const float* b, int n, float* rgba);

}  // namespace ombrel::ops
