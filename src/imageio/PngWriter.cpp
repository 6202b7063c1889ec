#include "PngWriter.h"

#include <png.h>

#include <csetjmp>

namespace ombrel {
namespace {

void ignoreWarning(png_structp, png_const_charp) {}

[[noreturn]] void onError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// Kept free of objects with destructors: libpng reports errors by longjmp.
bool encode(png_structp png, png_infop info, std::FILE* out, const Bitmap8& pixels,
            std::span<const std::uint8_t> iccProfile, const char* profileName) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, out);
    // Photographs gain little from harder compression; the fast level keeps
    // full-size exports quick.
    png_set_compression_level(png, 1);
    png_set_IHDR(png, info, static_cast<png_uint_32>(pixels.width()), static_cast<png_uint_32>(pixels.height()), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!iccProfile.empty()) {
        png_set_iCCP(png, info, profileName, PNG_COMPRESSION_TYPE_BASE, iccProfile.data(),
                     static_cast<png_uint_32>(iccProfile.size()));
    }
    png_write_info(png, info);
    for (int y = 0; y < pixels.height(); ++y) png_write_row(png, pixels.row(y));
    png_write_end(png, info);
    return true;
}

}  // namespace

bool writePng(std::FILE* out, const Bitmap8& pixels, std::span<const std::uint8_t> iccProfile,
              const std::string& profileName) {
    if (pixels.empty()) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, ignoreWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    const bool ok = info && encode(png, info, out, pixels, iccProfile, profileName.c_str());
    png_destroy_write_struct(&png, info ? &info : nullptr);
    return ok && std::fflush(out) == 0 && !std::ferror(out);
}

}  // namespace ombrel
