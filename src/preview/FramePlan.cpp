#include "FramePlan.h"

#include "render/Pipeline.h"

#include <algorithm>
#include <cmath>

namespace ombrel {

viewport::Size developedSize(const LoadedImage& loaded, const ShownEdit& shown) {
    const Graph frame{loaded.image, loaded.scale,
                      Pipeline::geometry(loaded.image->width(), loaded.image->height(), shown.settings.crop,
                                         shown.skipCrop)};
    return {frame.width() / loaded.scale, frame.height() / loaded.scale};
}

std::optional<FrameRequest> planFrame(const LoadedImage& source, const ShownEdit& shown, double effective,
                                      const viewport::Rect& placed, viewport::Size view, double reduction) {
    const int x0 = std::max(0, static_cast<int>(std::floor(-placed.x)));
    const int y0 = std::max(0, static_cast<int>(std::floor(-placed.y)));
    const int x1 = static_cast<int>(std::ceil(std::min(placed.width, view.width - placed.x)));
    const int y1 = static_cast<int>(std::ceil(std::min(placed.height, view.height - placed.y)));
    if (x1 <= x0 || y1 <= y0) return std::nullopt;

    FrameRequest request;
    request.source = source.image;
    request.sourceScale = source.scale;
    request.shown = shown;
    request.outputScale = effective / source.scale * reduction;
    request.draft = reduction != 1.0;
    const int dx0 = static_cast<int>(std::floor(x0 * reduction)), dy0 = static_cast<int>(std::floor(y0 * reduction));
    request.region = {dx0, dy0, static_cast<int>(std::ceil(x1 * reduction)) - dx0,
                      static_cast<int>(std::ceil(y1 * reduction)) - dy0};
    return request;
}

std::optional<FrameRequest> planFitFrame(const LoadedImage& source, const ShownEdit& shown, viewport::Size view) {
    if (!source.image) return std::nullopt;
    const viewport::Size picture = developedSize(source, shown);
    const double fit = viewport::fitScale(picture, view);
    // A view needing more pixels than the proxy has draws from the full image.
    if (fit <= 0 || fit > source.scale * viewport::fitTolerance) return std::nullopt;
    const viewport::Placement p = viewport::place(picture, fit, view, {0, 0});
    const viewport::Rect placed{std::round(p.image.x), std::round(p.image.y), p.image.width, p.image.height};
    return planFrame(source, shown, fit, placed, view, 1.0);
}

}  // namespace ombrel
