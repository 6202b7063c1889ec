#pragma once

#include "render/PixelBuffer.h"

#include <array>
#include <vector>

namespace ombrel::ops {

struct PixelRect {
    int x = 0, y = 0, width = 0, height = 0;
};

// Mean RGBA over `rect`, clipped to the image; nothing inside gives zeros.
std::array<float, 4> areaAverage(const Image& image, PixelRect rect);

// Per-channel (R, G, B, A) counts in `bins` bins over 0...1: values below 0
// are counted in the first bin, values above 1 in the last.
std::array<std::vector<float>, 4> areaHistogram(const Image& image, int bins);

}  // namespace ombrel::ops
