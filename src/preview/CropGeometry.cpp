#include "CropGeometry.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace ombrel::crop {

Size orientedSize(std::optional<Size> fullSize, long long quarterTurns) {
    const Size s = fullSize.value_or(Size{3, 2});
    return quarterTurns % 2 != 0 ? Size{s.height, s.width} : s;
}

Rect imageRect(Size oriented, Size area) {
    if (oriented.width <= 0 || oriented.height <= 0) return {};
    const double s = std::min(area.width / oriented.width, area.height / oriented.height);
    const double w = oriented.width * s, h = oriented.height * s;
    return {(area.width - w) / 2, (area.height - h) / 2, w, h};
}

Rect cropRect(const CropSettings& crop, const Rect& image) {
    return {image.x + crop.x * image.width, image.y + crop.y * image.height, crop.w * image.width,
            crop.h * image.height};
}

Point handlePoint(Handle handle, const Rect& r) {
    const double minX = r.x, midX = r.x + r.width / 2, maxX = r.x + r.width;
    const double minY = r.y, midY = r.y + r.height / 2, maxY = r.y + r.height;
    switch (handle) {
        case Handle::tl: return {minX, minY};
        case Handle::t: return {midX, minY};
        case Handle::tr: return {maxX, minY};
        case Handle::r: return {maxX, midY};
        case Handle::br: return {maxX, maxY};
        case Handle::b: return {midX, maxY};
        case Handle::bl: return {minX, maxY};
        case Handle::l:
        case Handle::move: break;
    }
    return {minX, midY};
}

std::optional<Handle> hit(Point p, const Rect& c) {
    std::optional<Handle> best;
    double bestDistance = handleReach;
    for (Handle h : {Handle::tl, Handle::t, Handle::tr, Handle::r, Handle::br, Handle::b, Handle::bl, Handle::l}) {
        const Point q = handlePoint(h, c);
        const double d = std::hypot(p.x - q.x, p.y - q.y);
        if (d < bestDistance) {
            best = h;
            bestDistance = d;
        }
    }
    if (best) return best;
    if (c.contains(p)) return Handle::move;
    return std::nullopt;
}

std::optional<double> lockedRatio(const CropSettings& crop, double width, double height) {
    double r = 0;
    if (crop.aspect == "Original") r = width / height;
    else if (crop.aspect == "1:1") r = 1;
    else if (crop.aspect == "4:3") r = 4.0 / 3;
    else if (crop.aspect == "3:2") r = 1.5;
    else if (crop.aspect == "16:9") r = 16.0 / 9;
    else if (crop.aspect == "5:4") r = 1.25;
    else return std::nullopt;
    if (crop.aspect != "Original" && crop.aspectSwapped) r = 1 / r;
    return r * height / width;
}

Rect resized(Handle handle, const CropSettings& crop, const Rect& s, double dx, double dy, double width,
             double height) {
    const double sMaxX = s.x + s.width, sMaxY = s.y + s.height;
    if (handle == Handle::move)
        return {std::clamp(s.x + dx, 0.0, 1 - s.width), std::clamp(s.y + dy, 0.0, 1 - s.height), s.width, s.height};

    const bool left = handle == Handle::tl || handle == Handle::l || handle == Handle::bl;
    const bool right = handle == Handle::tr || handle == Handle::r || handle == Handle::br;
    const bool top = handle == Handle::tl || handle == Handle::t || handle == Handle::tr;
    const bool bottom = handle == Handle::bl || handle == Handle::b || handle == Handle::br;

    double minX = s.x, maxX = sMaxX, minY = s.y, maxY = sMaxY;
    if (left) minX = std::min(std::max(s.x + dx, 0.0), sMaxX - minSide);
    if (right) maxX = std::max(std::min(sMaxX + dx, 1.0), minX + minSide);
    if (top) minY = std::min(std::max(s.y + dy, 0.0), sMaxY - minSide);
    if (bottom) maxY = std::max(std::min(sMaxY + dy, 1.0), minY + minSide);

    const std::optional<double> locked = lockedRatio(crop, width, height);
    if (!locked) return {minX, minY, maxX - minX, maxY - minY};
    const double k = *locked;

    if ((left || right) && (top || bottom)) {
        const double w0 = maxX - minX, h0 = maxY - minY;
        double w = w0, h = w0 / k;
        if (!(h0 < w0 / k)) {
            w = h0 * k;
            h = h0;
        }
        const double ax = left ? sMaxX : s.x;
        const double ay = top ? sMaxY : s.y;
        const double fx = (left ? ax : 1 - ax) / w;
        const double fy = (top ? ay : 1 - ay) / h;
        if (fx < 1 || fy < 1) {
            const double f = std::min(fx, fy);
            w *= f;
            h *= f;
        }
        return {left ? ax - w : ax, top ? ay - h : ay, w, h};
    }
    if (left || right) {
        const double w0 = maxX - minX;
        double w = w0, h = w0 / k;
        if (w0 / k > 1) {
            h = 1;
            w = k;
        }
        const double ax = left ? sMaxX : s.x;
        if ((right && ax + w > 1) || (left && ax < w)) {
            w = left ? ax : 1 - ax;
            h = w / k;
        }
        return {left ? ax - w : ax, std::clamp(s.y + s.height / 2 - h / 2, 0.0, 1 - h), w, h};
    }
    const double h0 = maxY - minY;
    double w = h0 * k, h = h0;
    if (w > 1) {
        w = 1;
        h = 1 / k;
    }
    const double ay = top ? sMaxY : s.y;
    if ((bottom && ay + h > 1) || (top && ay < h)) {
        h = top ? ay : 1 - ay;
        w = h * k;
    }
    return {std::clamp(s.x + s.width / 2 - w / 2, 0.0, 1 - w), top ? ay - h : ay, w, h};
}

}  // namespace ombrel::crop
