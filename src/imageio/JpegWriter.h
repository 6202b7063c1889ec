#pragma once

#include "render/PixelBuffer.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>

namespace ombrel {

// libjpeg's 1...100 scale for a quality of 0...1 (1.0 the best): 0.9 gives 90.
int jpegQuality(double quality);

// Writes a baseline JPEG of 8-bit RGB to `out` a few rows at a time, with the
// ICC profile when one is given; colour is subsampled only below quality 90.
// Any error (of the encoder or the file) makes every later call return
// false; `out` stays open either way.
class JpegRowWriter {
public:
    JpegRowWriter(std::FILE* out, int width, int height, int quality, std::span<const std::uint8_t> iccProfile);
    JpegRowWriter(const JpegRowWriter&) = delete;
    JpegRowWriter& operator=(const JpegRowWriter&) = delete;
    ~JpegRowWriter();

    bool ok() const;

    // The next `count` rows, `stride` bytes apart, top to bottom.
    bool write(const std::uint8_t* rows, std::size_t stride, int count);

    // After the last row: completes the file and flushes `out`.
    bool finish();

    // The encoder's state, opaque outside the implementation.
    struct State;

private:
    std::unique_ptr<State> state_;
    std::FILE* out_;
};

// The whole of `pixels` through a JpegRowWriter.
bool writeJpeg(std::FILE* out, const Bitmap8& pixels, int quality, std::span<const std::uint8_t> iccProfile);

}  // namespace ombrel
