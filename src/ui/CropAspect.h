#pragma once

#include "model/CropSettings.h"
#include "preview/CropGeometry.h"

#include <string>

namespace ombrel {

// Locks the crop rectangle to `aspect` ("Free", "Original", "1:1", "4:3",
// "3:2", "16:9", "5:4") around its centre: it shrinks along one axis, never
// grows, and stays inside the image. A new aspect clears the swap unless
// `keepSwap`; "Free" and unknown texts only store the text. `image` is the
// photo as the crop sees it (crop::orientedSize).
void setAspect(CropSettings& crop, const std::string& aspect, bool keepSwap, crop::Size image);

// Turns the photo by `quarters` (1 right, 3 left) and frames all of it again;
// angle, flips and aspect stay. The count keeps the sign of what was stored,
// so a stored -2 turned left becomes 1.
void turn(CropSettings& crop, int quarters);

}  // namespace ombrel
