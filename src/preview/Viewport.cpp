#include "Viewport.h"

#include <algorithm>
#include <cmath>

namespace ombrel::viewport {

double fitScale(Size image, Size view) {
    if (image.width <= 0 || image.height <= 0 || view.width <= 0 || view.height <= 0) return 0;
    return std::min(view.width / image.width, view.height / image.height);
}

double magnified(double zoom, double magnification, double fit) {
    const double upper = fit > 0 ? std::max(maxEffectiveScale / fit, 1.0) : 1.0;
    return std::min(upper, std::max((1 + magnification) * zoom, 1.0));
}

double toggled100(double zoom, double fit) {
    if (zoom > fitTolerance) return 1.0;
    return fit > 0 ? std::max(1.0 / fit, 1.0) : 1.0;
}

std::string zoomLabel(double zoom, double fit) {
    if (zoom <= fitTolerance) return "Fit";
    return std::to_string(static_cast<long long>(std::round(zoom * fit * 100))) + "%";
}

Placement place(Size image, double effective, Size view, Size pan) {
    const double dw = image.width * effective;
    const double dh = image.height * effective;
    const double maxX = std::max((dw - view.width) / 2, 0.0);
    const double maxY = std::max((dh - view.height) / 2, 0.0);
    const double px = std::clamp(pan.width, -maxX, maxX);
    const double py = std::clamp(pan.height, -maxY, maxY);
    return {{(view.width - dw) / 2 + px, (view.height - dh) / 2 + py, dw, dh}, {px, py}};
}

std::optional<Point> pickPoint(Point click, const Rect& drawn) {
    if (drawn.width <= 0 || drawn.height <= 0 || !drawn.contains(click)) return std::nullopt;
    return Point{(click.x - drawn.x) / drawn.width, (click.y - drawn.y) / drawn.height};
}

}  // namespace ombrel::viewport
