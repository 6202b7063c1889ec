#pragma once

#include "imageio/LinearMapping.h"
#include "imageio/OutputColor.h"
#include "imageio/Samples.h"
#include "render/Graph.h"
#include "render/PixelProgram.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace ombrel {

// Develops a picture one row at a time, from its upright 8-bit samples to
// encoded output pixels, for edits whose stages each work on a pixel alone.
// The numbers are the engine's at full size: the samples' mapping into linear
// light, the per-pixel stages in their order over a whole row, then the
// vignette (the one stage that needs to know where the pixel is), then the
// output encoding of OutputColor over the row as RGBA.
class RowDeveloper {
public:
    // Whether every stage works on a pixel alone: none needs its
    // neighbours (sharpening, noise reduction) or moves it (distortion, flips,
    // turns, straightening, cropping).
    static bool takes(const std::vector<Stage>& stages);

    // Nothing when the developer does not take the stages or the samples are
    // not 8-bit grey or RGB without alpha.
    static std::optional<RowDeveloper> make(const std::vector<Stage>& stages, const LinearMapping& mapping,
                                            SampleLayout layout, int width, OutputSpace space);

    int width() const { return width_; }
    SampleLayout layout() const { return layout_; }

    // The scratch one call needs, in floats.
    std::size_t scratchFloats() const { return std::size_t(width_) * 7; }

    // Row `y` of the upright picture: `width` pixels of samples in, 3 * `width`
    // bytes of RGB out.
    void develop(const std::uint8_t* samples, int y, float* scratch, std::uint8_t* rgb) const;

private:
    RowDeveloper(const LinearMapping& mapping, SampleLayout layout, int width, OutputSpace space)
        : mapping_(mapping), layout_(layout), width_(width), color_(space) {}

    LinearMapping mapping_;
    SampleLayout layout_;
    int width_;
    OutputColor color_;
    PixelProgram program_;
    std::optional<ops::VignetteParams> vignette_;
};

}  // namespace ombrel
