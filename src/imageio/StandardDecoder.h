#pragma once

#include "EarlyLook.h"
#include "ImageProperties.h"

#include "render/PixelBuffer.h"

#include <filesystem>
#include <optional>

namespace ombrel::StandardDecoder {

// Decoding of ordinary files (JPEG, PNG, HEIC/HEIF) into the working image:
// orientation applied exactly once, embedded ICC profiles honoured, untagged
// files taken as sRGB. Every failure gives nothing; nothing ever crashes.

// Properties of an ordinary or RAW file without decoding pixels.
std::optional<ImageProperties> properties(const std::filesystem::path& file);

// The whole picture at full resolution.
std::optional<Image> decodeFull(const std::filesystem::path& file, const EarlyLook& early = {});

// The picture with its longer side close to `maxPixelSize`: decoded directly
// at a reduced size where the format allows, then resampled to fit, unless
// that reduced size is at most a tenth larger than asked.
std::optional<Image> decodeReduced(const std::filesystem::path& file, double maxPixelSize,
                                   const EarlyLook& early = {});

// A small upright sRGB thumbnail, long side at most `maxSide`, from an embedded
// thumbnail when it is at least `maxSide` on its long side, else decoded.
std::optional<Bitmap8> thumbnail(const std::filesystem::path& file, int maxSide);

}  // namespace ombrel::StandardDecoder
