#include "CropAspect.h"

#include <algorithm>

namespace ombrel {
namespace {

// Width over height in pixels, or nothing for a free crop.
std::optional<double> ratio(const std::string& aspect, OrientedSize image) {
    if (aspect == "Original") return image.width / image.height;
    if (aspect == "1:1") return 1.0;
    if (aspect == "4:3") return 4.0 / 3.0;
    if (aspect == "3:2") return 1.5;
    if (aspect == "16:9") return 16.0 / 9.0;
    if (aspect == "5:4") return 1.25;
    return std::nullopt;
}

// Keeps the centre of [origin, origin + oldSize) and stays inside 0...1.
double recentred(double origin, double oldSize, double newSize) {
    const double centre = origin + oldSize / 2;
    return std::min(std::max(centre - newSize / 2, 0.0), 1 - newSize);
}

}  // namespace

OrientedSize orientedSize(std::optional<std::pair<double, double>> fullSize, std::int64_t quarterTurns) {
    if (!fullSize) return {};
    if (quarterTurns % 2 != 0) return {fullSize->second, fullSize->first};
    return {fullSize->first, fullSize->second};
}

void setAspect(CropSettings& crop, const std::string& aspect, bool keepSwap, OrientedSize image) {
    if (!keepSwap && aspect != crop.aspect) crop.aspectSwapped = false;
    crop.aspect = aspect;
    std::optional<double> r = ratio(aspect, image);
    if (!r) return;
    // The photo's own proportions have no portrait twin to swap to.
    if (aspect != "Original" && crop.aspectSwapped) r = 1 / *r;

    // In fractions of width and height a ratio r is k = r * H / W.
    const double k = *r * image.height / image.width;
    double w = crop.w, h = crop.h;
    if (h < w / k) {
        w = k * h;
    } else {
        h = w / k;
    }
    if (w > 1) {
        w = 1;
        h = 1 / k;
    }
    if (h > 1) {
        w = k;
        h = 1;
    }
    crop.x = recentred(crop.x, crop.w, w);
    crop.y = recentred(crop.y, crop.h, h);
    crop.w = w;
    crop.h = h;
}

void turn(CropSettings& crop, int quarters) {
    crop.quarterTurns = (crop.quarterTurns + quarters) % 4;
    crop.x = 0;
    crop.y = 0;
    crop.w = 1;
    crop.h = 1;
}

}  // namespace ombrel
