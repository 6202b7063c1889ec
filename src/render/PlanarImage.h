#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>

#include "BufferPool.h"

namespace ombrel {

// Three float planes (red, green, blue) of one size: the engine's working
// layout between stages, so inner loops run over contiguous runs of one
// channel and vectorise. Alpha is always 1 in developed images and is not kept.
class PlanarImage {
public:
    PlanarImage() = default;
    PlanarImage(int width, int height)
        : width_(width), height_(height),
          data_(PooledArray<float>::make(static_cast<std::size_t>(width) * height * 3)) {}
    PlanarImage(const PlanarImage& other) : PlanarImage(other.width_, other.height_) {
        std::copy_n(other.data_.get(), other.sampleCount() * 3, data_.get());
    }
    PlanarImage& operator=(const PlanarImage& other) {
        if (this != &other) *this = PlanarImage(other);
        return *this;
    }
    PlanarImage(PlanarImage&&) noexcept = default;
    PlanarImage& operator=(PlanarImage&&) noexcept = default;

    int width() const { return width_; }
    int height() const { return height_; }
    bool empty() const { return !data_; }
    std::size_t sampleCount() const { return static_cast<std::size_t>(width_) * height_; }

    // Plane 0 red, 1 green, 2 blue.
    float* plane(int c) { return data_.get() + sampleCount() * c; }
    const float* plane(int c) const { return data_.get() + sampleCount() * c; }
    float* row(int c, int y) { return plane(c) + static_cast<std::size_t>(y) * width_; }
    const float* row(int c, int y) const { return plane(c) + static_cast<std::size_t>(y) * width_; }

private:
    int width_ = 0;
    int height_ = 0;
    PooledArray<float>::Pointer data_;
};

}  // namespace ombrel
