#pragma once

#include <tbb/parallel_for.h>

#include <algorithm>
#include <cstddef>

#include "Scratch.h"

namespace ombrel::ops {

// The rows of a picture in bands that an in-place neighbourhood operation
// runs in parallel, where output row y reads input rows up to `reach` away.
// Bands are at least 2 * reach rows tall (the last one may be shorter), so
// the rows a band reads from its neighbours all lie within reach of its own
// two boundaries.
class Bands {
public:
    // `requestedRows` 0 picks a height that keeps the rows saved at the
    // boundaries a small part of the work.
    Bands(int height, int reach, int requestedRows)
        : height_(height), reach_(std::max(reach, 0)),
          rows_(std::max({requestedRows > 0 ? requestedRows : std::max(64, 16 * reach_), 2 * reach_, 1})),
          count_(height > 0 ? (height + rows_ - 1) / rows_ : 0) {}

    int count() const { return count_; }
    int first(int band) const { return band * rows_; }
    int end(int band) const { return std::min(height_, (band + 1) * rows_); }
    int height() const { return height_; }
    int reach() const { return reach_; }
    int rows() const { return rows_; }

private:
    int height_, reach_, rows_, count_;
};

// The rows within reach of each boundary between bands, saved before any band
// changes the picture: what a band reads of its neighbours' rows. Each row
// holds `planes` runs of `width` samples.
class BoundaryRows {
public:
    BoundaryRows(const Bands& bands, int width, int planes)
        : bands_(bands), width_(width), planes_(planes),
          storage_(static_cast<std::size_t>(std::max(bands.count() - 1, 0)) * 2 * bands.reach() * planes * width) {}

    // Row y of `plane`, for y within reach of a boundary.
    float* row(int plane, int y) const {
        const int boundary = (y + bands_.reach()) / bands_.rows();  // 1 ... count - 1
        const int index = (boundary - 1) * 2 * bands_.reach() + y - (boundary * bands_.rows() - bands_.reach());
        return storage_.data() + (static_cast<std::size_t>(index) * planes_ + plane) * width_;
    }

    // Calls save(y) for every row within reach of a boundary, in parallel.
    template <class Save>
    void forEachRow(const Save& save) const {
        tbb::parallel_for(1, bands_.count(), [&](int boundary) {
            const int at = bands_.first(boundary);
            for (int y = at - bands_.reach(); y < std::min(bands_.height(), at + bands_.reach()); ++y) save(y);
        });
    }

private:
    const Bands& bands_;
    int width_, planes_;
    Scratch storage_;
};

}  // namespace ombrel::ops
