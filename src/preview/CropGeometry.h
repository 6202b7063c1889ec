#pragma once

#include "Viewport.h"

#include "model/CropSettings.h"

#include <optional>

namespace ombrel::crop {

using viewport::Point;
using viewport::Rect;
using viewport::Size;

// The eight handles clockwise from the top left, then the whole rectangle.
enum class Handle { tl, t, tr, r, br, b, bl, l, move };

// Handles are picked within this many points of their centre.
inline constexpr double handleReach = 16;
// The smallest crop side, as a fraction of the picture.
inline constexpr double minSide = 0.03;

// The picture's size after quarter turns; 3 x 2 until a picture is loaded.
Size orientedSize(std::optional<Size> fullSize, long long quarterTurns);

// The picture letterboxed into an area of `area`, and the crop inside it.
Rect imageRect(Size oriented, Size area);
Rect cropRect(const CropSettings& crop, const Rect& image);

Point handlePoint(Handle handle, const Rect& r);
// The handle nearest `p` within reach, else `move` inside `c`, else nothing.
std::optional<Handle> hit(Point p, const Rect& c);

// The width / height the crop must keep, in crop fractions; nothing when free.
std::optional<double> lockedRatio(const CropSettings& crop, double width, double height);

// The crop after dragging `handle` by (dx, dy) fractions of the picture from
// the rectangle `start` (x, y, w, h in fractions).
Rect resized(Handle handle, const CropSettings& crop, const Rect& start, double dx, double dy, double width,
             double height);

}  // namespace ombrel::crop
