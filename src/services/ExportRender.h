#pragma once

#include "EncodedImage.h"
#include "OutputColor.h"

#include "render/Graph.h"

#include <optional>

namespace ombrel {

// The factor that brings the long edge of a `width` x `height` picture down to
// `longEdge`; none when the picture is not larger (exports never enlarge).
std::optional<double> shrinkFactor(double width, double height, int longEdge);

// Renders the whole picture of `graph`, scaled by `shrink` when given
// (Lanczos), and encodes it with `color`: 16 bits per sample when `sixteenBit`,
// else 8. Without scaling, the picture is rendered and encoded band by band so
// only the output and one band are held at full size. Nothing when the
// picture cannot be rendered.
std::optional<EncodedImage> renderEncoded(Graph graph, std::optional<double> shrink, const OutputColor& color,
                                          bool sixteenBit);

}  // namespace ombrel
