#pragma once

#include "render/PixelBuffer.h"

#include <algorithm>

namespace ombrel::test {

// A working image whose pixel (x, y) is f(x, y), four values (RGBA). Pixels are
// made row after row, so a seeded generator inside f always gives the same picture.
template <typename F>
Image imageFrom(int width, int height, F f) {
    Image image(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) std::ranges::copy(f(x, y), image.pixel(x, y));
    return image;
}

}  // namespace ombrel::test
