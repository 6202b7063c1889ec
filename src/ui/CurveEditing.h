#pragma once

#include "model/CurveSet.h"

#include <cstddef>
#include <optional>

namespace ombrel::curveedit {

// The plot's size in points. A point (x, y) of the curve is drawn at
// (x * width, (1 - y) * height): the origin at the top left, y downwards.
struct PlotSize {
    double width = 0;
    double height = 0;
};

struct PlotPoint {
    double x = 0;
    double y = 0;
};

// Within this distance of a handle a press grabs it instead of adding a point.
inline constexpr double grabRadius = 12;
// Within this distance of an interior handle a double click removes it.
inline constexpr double removeRadius = 14;
// Neighbours stay this far apart in x while a point is dragged.
inline constexpr double neighbourMargin = 0.01;

PlotPoint toPlot(const CurvePoint& p, PlotSize size);
// A plot location as curve coordinates, clamped to 0...1.
CurvePoint fromPlot(PlotPoint location, PlotSize size);

// The nearest handle closer than `grabRadius` to `location`; the earliest on ties.
std::optional<std::size_t> hit(const CurvePoints& points, PlotPoint location, PlotSize size);

struct Added {
    CurvePoints points;                 // sorted by x; an equal x stays after the existing points
    std::optional<std::size_t> index;   // where the new point ended up
};
// A new point at `location`, to be dragged at once.
Added add(const CurvePoints& points, PlotPoint location, PlotSize size);

// Moves point `index` to `location`: end points only vertically, interior
// points never closer than `neighbourMargin` to a neighbour. An index that no
// longer exists (an undo shortened the curve mid-drag) changes nothing.
void move(CurvePoints& points, std::size_t index, PlotPoint location, PlotSize size);

// The first interior point closer than `removeRadius` to `location`: end
// points are never removed.
std::optional<std::size_t> removable(const CurvePoints& points, PlotPoint location, PlotSize size);

}  // namespace ombrel::curveedit
