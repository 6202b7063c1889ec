#pragma once

#include "model/RawOptions.h"
#include "render/PixelBuffer.h"

#include <filesystem>
#include <optional>

namespace ombrel::RawDecoder {

struct Result {
    Image image;           // upright, linear sRGB
    RawOptions defaults;   // the decoder's defaults for this file, before `options`
};

// Decodes a camera RAW file at `scale` (decoded pixels per full-resolution
// pixel, 0 < scale <= 1) with the photo's options; absent options keep the
// per-file defaults.
std::optional<Result> decode(const std::filesystem::path& file, double scale, const RawOptions& options);

// A small upright sRGB thumbnail, long side at most `maxSide`: the embedded
// preview when it is at least `maxSide` on its long side, else a fast decode.
std::optional<Bitmap8> thumbnail(const std::filesystem::path& file, int maxSide);

// The camera's embedded preview, upright and at most `maxSide` on its long
// side, when it has at least `minLongSide`; nothing is decoded from the RAW
// data itself, so this is fast or empty.
std::optional<Bitmap8> embeddedPreview(const std::filesystem::path& file, int minLongSide, int maxSide);

}  // namespace ombrel::RawDecoder
