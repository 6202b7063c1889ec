#include "DngFixture.h"

#include "render/PixelBuffer.h"
#include "render/Resample.h"

#include <tbb/parallel_for.h>
#include <tiffio.h>
#include <turbojpeg.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <vector>

namespace ombrel::bench {

namespace {

constexpr std::uint16_t blackLevel = 256;
constexpr std::uint32_t whiteLevel = 16383;
// How strongly the simulated sensor sees each primary relative to green
// under daylight; AsShotNeutral is exactly this.
constexpr std::array<float, 3> sensitivity = {0.55f, 1.0f, 0.75f};
// Scene exposure: the photo's white sits a little below sensor clipping.
constexpr float exposure = 0.8f;

struct TjDeleter {
    void operator()(void* handle) const { tjDestroy(handle); }
};
using TjHandle = std::unique_ptr<void, TjDeleter>;

std::optional<Bitmap8> readJpeg(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.empty()) return std::nullopt;
    TjHandle tj(tjInitDecompress());
    int w = 0, h = 0, sub = 0, cs = 0;
    if (!tj || tjDecompressHeader3(tj.get(), bytes.data(), bytes.size(), &w, &h, &sub, &cs) != 0) return std::nullopt;
    Bitmap8 out(w, h);
    if (tjDecompress2(tj.get(), bytes.data(), bytes.size(), out.data(), w, 0, h, TJPF_RGB, 0) != 0) return std::nullopt;
    return out;
}

std::vector<unsigned char> encodeJpeg(const Bitmap8& picture) {
    TjHandle tj(tjInitCompress());
    unsigned char* data = nullptr;
    unsigned long size = 0;
    std::vector<unsigned char> out;
    if (tj && tjCompress2(tj.get(), picture.data(), picture.width(), 0, picture.height(), TJPF_RGB, &data, &size,
                          TJSAMP_420, 90, 0) == 0)
        out.assign(data, data + size);
    tjFree(data);
    return out;
}

std::array<float, 256> linearTable() {
    std::array<float, 256> t{};
    for (int i = 0; i < 256; ++i) {
        const double v = i / 255.0;
        t[i] = static_cast<float>(v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4));
    }
    return t;
}

// Bilinear enlargement and Bayer sampling in one go: each sensor site reads
// only the primary its filter passes.
std::vector<std::uint16_t> mosaic(const Bitmap8& photo, int width, int height) {
    const std::array<float, 256> linear = linearTable();
    std::vector<std::uint16_t> raw(static_cast<std::size_t>(width) * height);
    const float sx = static_cast<float>(photo.width()) / width, sy = static_cast<float>(photo.height()) / height;
    const float range = static_cast<float>(whiteLevel - blackLevel);
    tbb::parallel_for(0, height, [&](int y) {
        const float fy = std::clamp((y + 0.5f) * sy - 0.5f, 0.0f, photo.height() - 1.0f);
        const int y0 = static_cast<int>(fy), y1 = std::min(y0 + 1, photo.height() - 1);
        const float wy = fy - y0;
        for (int x = 0; x < width; ++x) {
            const int channel = (y % 2 == 0) ? (x % 2 == 0 ? 0 : 1) : (x % 2 == 0 ? 1 : 2);
            const float fx = std::clamp((x + 0.5f) * sx - 0.5f, 0.0f, photo.width() - 1.0f);
            const int x0 = static_cast<int>(fx), x1 = std::min(x0 + 1, photo.width() - 1);
            const float wx = fx - x0;
            const float top = linear[photo.pixel(x0, y0)[channel]] * (1 - wx) + linear[photo.pixel(x1, y0)[channel]] * wx;
            const float bottom =
                linear[photo.pixel(x0, y1)[channel]] * (1 - wx) + linear[photo.pixel(x1, y1)[channel]] * wx;
            const float value = (top * (1 - wy) + bottom * wy) * exposure * sensitivity[channel];
            raw[static_cast<std::size_t>(y) * width + x] =
                static_cast<std::uint16_t>(blackLevel + std::lround(std::clamp(value, 0.0f, 1.0f) * range));
        }
    });
    return raw;
}

bool writePreviewDirectory(TIFF* tif, const Bitmap8& preview) {
    const std::vector<unsigned char> jpeg = encodeJpeg(preview);
    if (jpeg.empty()) return false;
    const std::uint8_t dngVersion[4] = {1, 4, 0, 0};
    const std::uint8_t dngBackward[4] = {1, 1, 0, 0};
    // XYZ (D65) to linear sRGB: the simulated sensor sees sRGB primaries.
    const float colorMatrix[9] = {3.2406f, -1.5372f, -0.4986f, -0.9689f, 1.8758f, 0.0415f, 0.0557f, -0.2040f, 1.0570f};
    const float neutral[3] = {sensitivity[0], sensitivity[1], sensitivity[2]};
    std::uint64_t subIfd = 0;
    bool ok = TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_REDUCEDIMAGE) &&
              TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, preview.width()) &&
              TIFFSetField(tif, TIFFTAG_IMAGELENGTH, preview.height()) &&
              TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8) && TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3) &&
              TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_JPEG) &&
              TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR) &&
              TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
              TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, preview.height()) &&
              TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT) &&
              TIFFSetField(tif, TIFFTAG_MAKE, "Ombrel") && TIFFSetField(tif, TIFFTAG_MODEL, "Bench Fixture") &&
              TIFFSetField(tif, TIFFTAG_DNGVERSION, dngVersion) &&
              TIFFSetField(tif, TIFFTAG_DNGBACKWARDVERSION, dngBackward) &&
              TIFFSetField(tif, TIFFTAG_UNIQUECAMERAMODEL, "Ombrel Bench Fixture") &&
              TIFFSetField(tif, TIFFTAG_COLORMATRIX1, 9, colorMatrix) &&
              TIFFSetField(tif, TIFFTAG_CALIBRATIONILLUMINANT1, 21) &&  // D65
              TIFFSetField(tif, TIFFTAG_ASSHOTNEUTRAL, 3, neutral) &&
              TIFFSetField(tif, TIFFTAG_SUBIFD, 1, &subIfd);
    // The strip is a complete JPEG stream, as cameras write it.
    ok = ok && TIFFWriteRawStrip(tif, 0, const_cast<unsigned char*>(jpeg.data()), static_cast<tmsize_t>(jpeg.size())) >= 0;
    return ok && TIFFWriteDirectory(tif);
}

bool writeRawDirectory(TIFF* tif, const std::vector<std::uint16_t>& raw, int width, int height) {
    const std::uint16_t repeat[2] = {2, 2};
    const std::uint8_t pattern[4] = {0, 1, 1, 2};  // RGGB
    const float black[1] = {blackLevel};
    const std::uint32_t white[1] = {whiteLevel};
    constexpr int rowsPerStrip = 64;
    bool ok = TIFFSetField(tif, TIFFTAG_SUBFILETYPE, 0) && TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width) &&
              TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height) && TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 16) &&
              TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1) &&
              TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE) &&
              TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_CFA) &&
              TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
              TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rowsPerStrip) &&
              TIFFSetField(tif, TIFFTAG_CFAREPEATPATTERNDIM, repeat) &&
              TIFFSetField(tif, TIFFTAG_CFAPATTERN, 4, pattern) && TIFFSetField(tif, TIFFTAG_BLACKLEVEL, 1, black) &&
              TIFFSetField(tif, TIFFTAG_WHITELEVEL, 1, white);
    for (int strip = 0; ok && strip * rowsPerStrip < height; ++strip) {
        const int rows = std::min(rowsPerStrip, height - strip * rowsPerStrip);
        auto* data = const_cast<std::uint16_t*>(raw.data() + static_cast<std::size_t>(strip) * rowsPerStrip * width);
        ok = TIFFWriteEncodedStrip(tif, strip, data, static_cast<tmsize_t>(rows) * width * 2) >= 0;
    }
    return ok && TIFFWriteDirectory(tif);
}

}  // namespace

bool writeBayerDng(const std::filesystem::path& photoJpeg, const std::filesystem::path& dngFile, int width,
                   int height, int previewLongSide) {
    const std::optional<Bitmap8> photo = readJpeg(photoJpeg);
    if (!photo) return false;
    const auto [pw, ph] = fitWithin(width, height, previewLongSide);
    const Bitmap8 preview = resample(*photo, pw, ph);
    const std::vector<std::uint16_t> raw = mosaic(*photo, width, height);

    std::unique_ptr<TIFF, decltype(&TIFFClose)> tif(TIFFOpen(dngFile.c_str(), "w"), &TIFFClose);
    if (!tif) return false;
    return writePreviewDirectory(tif.get(), preview) && writeRawDirectory(tif.get(), raw, width, height);
}

}  // namespace ombrel::bench
