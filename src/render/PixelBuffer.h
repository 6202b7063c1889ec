#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "BufferPool.h"

namespace ombrel {

// A rectangle of interleaved pixels, rows top to bottom, origin at the top
// left. Storage is left uninitialised on creation: decoders overwrite every
// pixel, and zero-filling a 24 MP float image would cost tens of milliseconds.
template <typename T, int Channels>
class PixelBuffer {
public:
    using Sample = T;
    static constexpr int channels = Channels;

    PixelBuffer() = default;
    PixelBuffer(int width, int height)
        : width_(width), height_(height),
          data_(PooledArray<T>::make(static_cast<std::size_t>(width) * height * Channels)) {
        assert(width > 0 && height > 0);
    }
    PixelBuffer(const PixelBuffer& other) : PixelBuffer(other.width_, other.height_) {
        if (other.data_) std::memcpy(data_.get(), other.data_.get(), other.byteCount());
    }
    PixelBuffer& operator=(const PixelBuffer& other) {
        if (this != &other) *this = PixelBuffer(other);
        return *this;
    }
    PixelBuffer(PixelBuffer&&) noexcept = default;
    PixelBuffer& operator=(PixelBuffer&&) noexcept = default;

    int width() const { return width_; }
    int height() const { return height_; }
    bool empty() const { return !data_; }
    std::size_t rowLength() const { return static_cast<std::size_t>(width_) * Channels; }
    std::size_t byteCount() const { return rowLength() * height_ * sizeof(T); }

    T* data() { return data_.get(); }
    const T* data() const { return data_.get(); }
    T* row(int y) { return data_.get() + static_cast<std::size_t>(y) * rowLength(); }
    const T* row(int y) const { return data_.get() + static_cast<std::size_t>(y) * rowLength(); }
    T* pixel(int x, int y) { return row(y) + static_cast<std::size_t>(x) * Channels; }
    const T* pixel(int x, int y) const { return row(y) + static_cast<std::size_t>(x) * Channels; }

private:
    int width_ = 0;
    int height_ = 0;
    typename PooledArray<T>::Pointer data_;
};

// The working image: linear light, sRGB primaries, RGBA, 32-bit float, values
// outside 0...1 kept.
using Image = PixelBuffer<float, 4>;

// 8-bit sRGB-encoded RGB, for thumbnails and small previews.
using Bitmap8 = PixelBuffer<std::uint8_t, 3>;

}  // namespace ombrel
