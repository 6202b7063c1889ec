#pragma once

#include <filesystem>

namespace ombrel::bench {

// Writes a camera-like DNG made from an ordinary photo: the photo is decoded,
// enlarged to `width` x `height`, turned into linear values with a camera's
// uneven channel sensitivities, sampled through an RGGB Bayer pattern into
// 16-bit values above a black level, and stored uncompressed in a SubIFD
// with ColorMatrix1 and AsShotNeutral describing it. IFD0 holds an embedded
// JPEG preview `previewLongSide` pixels on its long side. Returns false when
// the photo cannot be read or the file cannot be written.
bool writeBayerDng(const std::filesystem::path& photoJpeg, const std::filesystem::path& dngFile, int width,
                   int height, int previewLongSide);

}  // namespace ombrel::bench
