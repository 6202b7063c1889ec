#pragma once

#include <filesystem>

namespace ombrel::bench {

// The test photos: $OMBREL_TESTDATA, else tests/data in the checkout.
std::filesystem::path testData();

// Writes `photoJpeg` enlarged to `width` x `height` as a camera-like JPEG
// (quality 90, 4:2:0). Returns false when the photo cannot be read or the
// file cannot be written.
bool writeLargeJpeg(const std::filesystem::path& photoJpeg, const std::filesystem::path& target, int width,
                    int height);

}  // namespace ombrel::bench
