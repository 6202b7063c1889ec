#include "FilmstripLayout.h"

#include <algorithm>

namespace ombrel::filmstrip {

namespace {

// Floor division that rounds towards minus infinity for negative numerators too.
int floorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

}  // namespace

RowRange visibleRows(int offset, int viewportWidth, int rowCount) {
    if (rowCount <= 0 || viewportWidth <= 0) return {};
    // A box is in view when it ends after the left edge and starts before the right one.
    const int first = floorDiv(offset - boxInset - boxWidth, pitch) + 1;
    const int last = floorDiv(offset + viewportWidth - boxInset - 1, pitch);
    RowRange range{std::max(first, 0), std::min(last, rowCount - 1)};
    return range.empty() ? RowRange{} : range;
}

std::string countText(std::size_t visible, std::size_t total) {
    return std::to_string(visible) + " of " + std::to_string(total) + " photos";
}

std::string ratingChoice(int minRating) {
    return minRating <= 0 ? "Any rating" : std::to_string(minRating) + "+ \u2605";
}

SourceRect aspectFill(int width, int height, int boxW, int boxH) {
    if (width <= 0 || height <= 0 || boxW <= 0 || boxH <= 0) return {};
    // Compare width / height with boxW / boxH without dividing.
    const double wide = double(width) * boxH;
    const double box = double(boxW) * height;
    if (wide > box) {
        const double w = double(height) * boxW / boxH;
        return {(width - w) / 2, 0, w, double(height)};
    }
    const double h = double(width) * boxH / boxW;
    return {0, (height - h) / 2, double(width), h};
}

}  // namespace ombrel::filmstrip
