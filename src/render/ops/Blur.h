#pragma once

#include "render/PlanarImage.h"

namespace ombrel::ops {

// Gaussian blur of every plane with the image extended at its edges (clamp to
// edge). Any sigma > 0; sigma below about 0.3 returns a copy.
PlanarImage gaussianBlur(const PlanarImage& image, float sigma);

// One plane, `width` x `height`, into `out` (which may not alias `in`).
void gaussianBlurPlane(const float* in, float* out, int width, int height, float sigma);

// One row of a picture going through blurRows: its three planes blurred,
// and the picture's own row, still as it was, where the result goes. A
// finish reads each sample of both before it writes that sample: `blurred`
// may be the row itself (a sigma too small to blur).
struct BlurredRow {
    const float* blurred[3];
    float* row[3];
    int width;
};

using FinishRow = void (*)(const void* context, const BlurredRow& row);

// Blurs `image` as gaussianBlur does and hands each row, blurred and as it
// was, to `finish`, which writes the row's result over it: a blur and what
// is made of it in one pass, without a second picture. `finish` runs on
// several threads at once, each with its own rows. `bandRows` sets the rows
// per parallel task (0 picks); the result does not depend on it.
void blurRows(PlanarImage& image, float sigma, FinishRow finish, const void* context, int bandRows = 0);

template <class Finish>
void blurRows(PlanarImage& image, float sigma, const Finish& finish, int bandRows = 0) {
    blurRows(
        image, sigma, [](const void* f, const BlurredRow& row) { (*static_cast<const Finish*>(f))(row); }, &finish,
        bandRows);
}

}  // namespace ombrel::ops
