#include "CurveEditing.h"

#include <algorithm>
#include <cmath>

namespace ombrel::curveedit {
namespace {

double distance(PlotPoint a, PlotPoint b) { return std::hypot(a.x - b.x, a.y - b.y); }

}  // namespace

PlotPoint toPlot(const CurvePoint& p, PlotSize size) { return {p.x * size.width, (1 - p.y) * size.height}; }

CurvePoint fromPlot(PlotPoint location, PlotSize size) {
    return {std::clamp(location.x / size.width, 0.0, 1.0), std::clamp(1 - location.y / size.height, 0.0, 1.0)};
}

std::optional<std::size_t> hit(const CurvePoints& points, PlotPoint location, PlotSize size) {
    std::optional<std::size_t> best;
    double bestDistance = grabRadius;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const double d = distance(toPlot(points[i], size), location);
        if (d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

Added add(const CurvePoints& points, PlotPoint location, PlotSize size) {
    const CurvePoint added = fromPlot(location, size);
    Added result{points, std::nullopt};
    result.points.push_back(added);
    std::stable_sort(result.points.begin(), result.points.end(),
                     [](const CurvePoint& a, const CurvePoint& b) { return a.x < b.x; });
    const auto it = std::find(result.points.begin(), result.points.end(), added);
    if (it != result.points.end()) result.index = static_cast<std::size_t>(it - result.points.begin());
    return result;
}

void move(CurvePoints& points, std::size_t index, PlotPoint location, PlotSize size) {
    if (index >= points.size()) return;
    const CurvePoint target = fromPlot(location, size);
    double x = target.x;
    if (index == 0 || index + 1 == points.size()) {
        x = points[index].x;
    } else {
        x = std::min(points[index + 1].x - neighbourMargin, std::max(points[index - 1].x + neighbourMargin, x));
    }
    points[index] = {x, target.y};
}

std::optional<std::size_t> removable(const CurvePoints& points, PlotPoint location, PlotSize size) {
    for (std::size_t i = 1; i + 1 < points.size(); ++i) {
        if (distance(toPlot(points[i], size), location) < removeRadius) return i;
    }
    return std::nullopt;
}

}  // namespace ombrel::curveedit
