#pragma once

namespace ombrel::ops {

// The sRGB transfer function, extended symmetrically to negative values
// (f(-x) = -f(x)) and continued by the same formula beyond 1.
float srgbEncode(float linear);
float srgbDecode(float encoded);

// The same in place over a run of samples, through interpolated tables: within
// 2e-5 of the exact functions on -1...2 and exact formula outside.
void srgbEncodeRun(float* values, int n);
void srgbDecodeRun(float* values, int n);

}  // namespace ombrel::ops
