#pragma once

#include "FrameRenderer.h"
#include "Viewport.h"

#include "render/LoadedImage.h"

#include <optional>

namespace ombrel {

// Full-resolution size of what `shown` shows of `loaded`.
viewport::Size developedSize(const LoadedImage& loaded, const ShownEdit& shown);

// The frame that draws the visible part of `shown` of `source`: the picture
// placed at `placed` (device pixels, whole-pixel origin) in a view of `view`,
// at `effective` device pixels per full-resolution pixel, times `reduction`
// for a draft. Nothing when no part of the picture is in view.
std::optional<FrameRequest> planFrame(const LoadedImage& source, const ShownEdit& shown, double effective,
                                      const viewport::Rect& placed, viewport::Size view, double reduction);

// The first frame of a newly shown photo: the whole picture at fit, centred.
std::optional<FrameRequest> planFitFrame(const LoadedImage& source, const ShownEdit& shown, viewport::Size view);

}  // namespace ombrel
