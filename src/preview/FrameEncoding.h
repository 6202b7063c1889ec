#pragma once

#include <cstdint>

namespace ombrel {

// Working pixels (linear sRGB, RGBA float) to opaque 8-bit sRGB in the byte
// order B, G, R, A: what a raster window blits without converting. `rgba`
// is scratch and is overwritten.
void encodeBgra(float* rgba, int n, std::uint8_t* bgra);

}  // namespace ombrel
