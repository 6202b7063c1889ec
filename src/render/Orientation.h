#pragma once

#include "PixelBuffer.h"

#include <tbb/parallel_for.h>

#include <algorithm>

namespace ombrel {

// True for the four EXIF orientations that turn the picture by a quarter,
// so that the upright width is the stored height.
constexpr bool swapsAxes(int orientation) { return orientation >= 5 && orientation <= 8; }

// Where the upright pixel (x, y) of a picture stored `w` x `h` with EXIF
// `orientation` lies in the stored picture (anything but 2...8 leaves it).
struct StoredPoint {
    int x = 0, y = 0;
};

constexpr StoredPoint storedPoint(int orientation, int w, int h, int x, int y) {
    switch (orientation) {
        case 2: return {w - 1 - x, y};
        case 3: return {w - 1 - x, h - 1 - y};
        case 4: return {x, h - 1 - y};
        case 5: return {y, x};
        case 6: return {y, h - 1 - x};
        case 7: return {w - 1 - y, h - 1 - x};
        case 8: return {w - 1 - y, x};
        default: return {x, y};
    }
}

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
            const StoredPoint p = storedPoint(orientation, w, h, x, y);
            std::copy_n(src.pixel(p.x, p.y), C, dst + static_cast<std::size_t>(x) * C);
        }
    });
    return out;
}

}  // namespace ombrel
