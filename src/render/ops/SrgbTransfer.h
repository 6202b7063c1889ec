#pragma once

namespace ombrel::ops {

// The sRGB transfer function, extended symmetrically to negative values
// (f(-x) = -f(x)) and continued by the same formula beyond 1.
float srgbEncode(float linear);
float srgbDecode(float encoded);

// The same in place over a run of samples, vectorised through polynomial
// approximations (faster than table lookups, whose gathers are slow): within
// 5e-6 of the exact functions on -2...2 and the exact formula outside.
void srgbEncodeRun(float* values, int n);
void srgbDecodeRun(float* values, int n);

}  // namespace ombrel::ops
