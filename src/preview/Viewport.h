#pragma once

#include <optional>
#include <string>

namespace ombrel::viewport {

// Sizes in device pixels unless said otherwise; zoom is relative to fit
// (1 = the whole picture fits the view).

struct Size {
    double width = 0, height = 0;
    bool operator==(const Size&) const = default;
};
struct Point {
    double x = 0, y = 0;
    bool operator==(const Point&) const = default;
};
struct Rect {
    double x = 0, y = 0, width = 0, height = 0;
    bool operator==(const Rect&) const = default;
    bool contains(Point p) const { return p.x >= x && p.x <= x + width && p.y >= y && p.y <= y + height; }
};

// Below this a zoom counts as fit: no pan, the label reads "Fit".
inline constexpr double fitTolerance = 1.001;
// At most 8 device pixels per image pixel.
inline constexpr double maxEffectiveScale = 8.0;

// Device pixels per full-resolution pixel that fit `image` (full-resolution
// size of what is shown) into `view`; 0 when either is empty.
double fitScale(Size image, Size view);

// The zoom after a pinch of `magnification`, between fit and 800 %.
double magnified(double zoom, double magnification, double fit);

// Double click: from any zoom back to fit, from fit to 100 % (or fit when the
// picture is smaller than the view).
double toggled100(double zoom, double fit);

// "Fit", or the effective scale in whole percent ("100%").
std::string zoomLabel(double zoom, double fit);

// Where the picture lands: displayed at `effective` device pixels per image
// pixel, centred, then moved by `pan` (device pixels, x right, y down), with
// the pan clamped so an edge never comes inside the view on an axis where the
// picture is larger, and kept centred on an axis where it is smaller.
struct Placement {
    Rect image;      // where the picture is drawn, device pixels, y down
    Size clampedPan; // the pan actually used, device pixels
};
Placement place(Size image, double effective, Size view, Size pan);

// The eyedropper's point as fractions of the shown picture from its top
// left, or nothing outside it.
std::optional<Point> pickPoint(Point click, const Rect& drawn);

}  // namespace ombrel::viewport
