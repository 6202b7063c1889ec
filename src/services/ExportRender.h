#pragma once

#include "imageio/EncodedImage.h"
#include "imageio/OutputColor.h"
#include "model/CropSettings.h"
#include "render/Graph.h"

#include <optional>

namespace ombrel {

// The factor that brings the long edge of a `width` x `height` picture down to
// `longEdge`; none when the picture is not larger (exports never enlarge).
std::optional<double> shrinkFactor(double width, double height, int longEdge);

// For an export whose long edge is at most half of what the edit yields at
// full resolution, the longest side to decode the photo at: the smallest
// 1/2, 1/4 or 1/8 of its own long side that still gives the export at least
// the pixels it needs (JPEG decodes those sizes directly, RAW halves in the
// decoder). Nothing when the full resolution is needed.
std::optional<double> reducedDecodeSide(double fullWidth, double fullHeight, const CropSettings& crop, int longEdge);

// Renders the whole picture of `graph`, scaled by `shrink` when given
// (Lanczos), and encodes it with `color`: 16 bits per sample when `sixteenBit`,
// else 8. Without scaling, the picture is rendered and encoded band by band so
// only the output and one band are held at full size. Nothing when the
// picture cannot be rendered.
std::optional<EncodedImage> renderEncoded(Graph graph, std::optional<double> shrink, const OutputColor& color,
                                          bool sixteenBit);

}  // namespace ombrel
