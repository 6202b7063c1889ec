#pragma once

#include "PixelBuffer.h"

#include <tbb/parallel_for.h>

#include <algorithm>

namespace ombrel {

// True for the four EXIF orientations that turn the picture by a quarter,
// so that the upright width is the stored height.
constexpr bool swapsAxes(int orientation) { return orientation >= 5 && orientation <= 8; }

// Turns a stored picture upright according to its EXIF orientation (1...8;
// anything else is treated as 1 and returns a copy).
template <typename T, int C>
PixelBuffer<T, C> applyOrientation(const PixelBuffer<T, C>& src, int orientation) {
    const int w = src.width(), h = src.height();
    const bool swap = swapsAxes(orientation);
    PixelBuffer<T, C> out(swap ? h : w, swap ? w : h);
    const int ow = out.width();
    tbb::parallel_for(0, out.height(), [&](int y) {
        T* dst = out.row(y);
        for (int x = 0; x < ow; ++x) {
            int sx = x, sy = y;
            switch (orientation) {
                case 2: sx = w - 1 - x; break;
                case 3: sx = w - 1 - x; sy = h - 1 - y; break;
                case 4: sy = h - 1 - y; break;
                case 5: sx = y; sy = x; break;
                case 6: sx = y; sy = h - 1 - x; break;
                case 7: sx = w - 1 - y; sy = h - 1 - x; break;
                case 8: sx = w - 1 - y; sy = x; break;
                default: break;
            }
            std::copy_n(src.pixel(sx, sy), C, dst + static_cast<std::size_t>(x) * C);
        }
    });
    return out;
}

}  // namespace ombrel
