#pragma once

#include "render/PixelBuffer.h"

namespace ombrel {

// Moiré and false-colour reduction: `passes` rounds of a 3x3 median on the
// colour differences R-G and B-G, the classic remedy for demosaicing
// artefacts. Green, the best sampled channel, and with it most of the detail,
// is kept; red and blue follow it. Nothing changes for 0 passes.
void reduceMoire(Image& image, int passes);

// The median of nine values, by a fixed network of compare-exchanges (no
// branches, so the loops around it vectorise). Exposed for testing.
float median9(float p0, float p1, float p2, float p3, float p4, float p5, float p6, float p7, float p8);

}  // namespace ombrel
