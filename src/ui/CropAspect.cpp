#include "CropAspect.h"

#include <algorithm>

namespace ombrel {
namespace {

// Keeps the centre of [origin, origin + oldSize) and stays inside 0...1.
double recentred(double origin, double oldSize, double newSize) {
    const double centre = origin + oldSize / 2;
    return std::min(std::max(centre - newSize / 2, 0.0), 1 - newSize);
}

}  // namespace

void setAspect(CropSettings& crop, const std::string& aspect, bool keepSwap, crop::Size image) {
    if (!keepSwap && aspect != crop.aspect) crop.aspectSwapped = false;
    crop.aspect = aspect;
    // Width over height in fractions of the picture; the photo's own
    // proportions have no portrait twin to swap to.
    const std::optional<double> locked = crop::lockedRatio(crop, image.width, image.height);
    if (!locked) return;
    const double k = *locked;
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
