#pragma once

#include <cstddef>
#include <string>

namespace ombrel::filmstrip {

// Sizes of the strip under the preview, in device-independent pixels.
inline constexpr int height = 140;
inline constexpr int boxWidth = 116;   // the picture of one cell
inline constexpr int boxHeight = 82;
inline constexpr int gap = 6;          // between two cells
inline constexpr int sidePadding = 10; // before the first cell and after the last
inline constexpr int bottomPadding = 8;
inline constexpr int pickerWidth = 110;
inline constexpr double cornerRadius = 3;  // of the picture box
// Each cell owns half the gap on either side, so cells sit at a fixed pitch.
inline constexpr int pitch = boxWidth + gap;
inline constexpr int boxInset = gap / 2;

// Rows first...last, both included; empty when last < first.
struct RowRange {
    int first = 0;
    int last = -1;

    bool empty() const { return last < first; }
    int count() const { return empty() ? 0 : last - first + 1; }
    bool contains(int row) const { return row >= first && row <= last; }
    bool operator==(const RowRange&) const = default;
};

// The rows whose picture boxes overlap the viewport when the strip is scrolled
// `offset` pixels in. Row r's box spans [r * pitch + boxInset, + boxWidth).
RowRange visibleRows(int offset, int viewportWidth, int rowCount);

// "12 of 40 photos"
std::string countText(std::size_t visible, std::size_t total);

// The rating filter's choice for a minimum rating: "Any rating", "3+ ★".
std::string ratingChoice(int minRating);

// The part of a width x height picture that, scaled with its aspect ratio
// kept, fills a boxWidth x boxHeight box exactly: centred, the overflow cut.
struct SourceRect {
    double x = 0, y = 0, width = 0, height = 0;
    bool operator==(const SourceRect&) const = default;
};
SourceRect aspectFill(int width, int height, int boxWidth, int boxHeight);

}  // namespace ombrel::filmstrip
