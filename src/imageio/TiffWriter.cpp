#include "TiffWriter.h"

#include <tiffio.h>
#include <unistd.h>

#include <memory>

namespace ombrel {
namespace {

// Errors are reported through the return values; nothing goes to stderr.
int quiet(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct OptionsFree {
    void operator()(TIFFOpenOptions* o) const { TIFFOpenOptionsFree(o); }
};

TIFF* openForWriting(int fd) {
    std::unique_ptr<TIFFOpenOptions, OptionsFree> options(TIFFOpenOptionsAlloc());
    if (!options) return nullptr;
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), quiet, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), quiet, nullptr);
    // libtiff closes the descriptor it is given, so it gets its own.
    const int own = ::dup(fd);
    if (own < 0) return nullptr;
    TIFF* tiff = TIFFFdOpenExt(own, "export", "w", options.get());
    if (!tiff) ::close(own);
    return tiff;
}

bool writeTags(TIFF* tiff, const Bitmap16& pixels, std::span<const std::uint8_t> iccProfile) {
    bool ok = TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(pixels.width())) &&
              TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(pixels.height())) &&
              TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3) && TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 16) &&
              TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB) &&
              TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
              TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE) &&
              TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT) &&
              TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0));
    if (ok && !iccProfile.empty()) {
        ok = TIFFSetField(tiff, TIFFTAG_ICCPROFILE, static_cast<std::uint32_t>(iccProfile.size()),
                          iccProfile.data());
    }
    return ok;
}

}  // namespace

bool writeTiff(int fd, const Bitmap16& pixels, std::span<const std::uint8_t> iccProfile) {
    if (pixels.empty()) return false;
    TIFF* tiff = openForWriting(fd);
    if (!tiff) return false;
    bool ok = writeTags(tiff, pixels, iccProfile);
    for (int y = 0; ok && y < pixels.height(); ++y) {
        ok = TIFFWriteScanline(tiff, const_cast<std::uint16_t*>(pixels.row(y)), static_cast<std::uint32_t>(y)) == 1;
    }
    ok = ok && TIFFFlush(tiff) == 1;
    TIFFClose(tiff);
    return ok;
}

}  // namespace ombrel
