#include "JpegWriter.h"

#include <jpeglib.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>

namespace ombrel {
namespace {

// From here up, colour is kept at full resolution: at high qualities halving
// it would be the largest loss left.
constexpr int fullChromaQuality = 90;

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf escape;
};

[[noreturn]] void onError(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->escape, 1);
}

void ignoreMessage(j_common_ptr) {}

// Kept free of objects with destructors: libjpeg reports errors by longjmp.
bool compress(jpeg_compress_struct& cinfo, ErrorManager& errors, std::FILE* out, const Bitmap8& pixels,
              int quality, std::span<const std::uint8_t> iccProfile) {
    if (setjmp(errors.escape)) return false;
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, out);
    cinfo.image_width = static_cast<JDIMENSION>(pixels.width());
    cinfo.image_height = static_cast<JDIMENSION>(pixels.height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (quality >= fullChromaQuality) {
        for (int c = 0; c < cinfo.num_components; ++c) {
            cinfo.comp_info[c].h_samp_factor = 1;
            cinfo.comp_info[c].v_samp_factor = 1;
        }
    }
    jpeg_start_compress(&cinfo, TRUE);
    if (!iccProfile.empty()) {
        jpeg_write_icc_profile(&cinfo, iccProfile.data(), static_cast<unsigned>(iccProfile.size()));
    }
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(pixels.row(static_cast<int>(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    return true;
}

}  // namespace

int jpegQuality(double quality) {
    if (!(quality > 0)) return 1;
    return std::clamp(static_cast<int>(std::lround(quality * 100)), 1, 100);
}

bool writeJpeg(std::FILE* out, const Bitmap8& pixels, int quality, std::span<const std::uint8_t> iccProfile) {
    if (pixels.empty()) return false;
    jpeg_compress_struct cinfo{};
    ErrorManager errors{};
    cinfo.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = onError;
    errors.base.output_message = ignoreMessage;
    const bool ok = compress(cinfo, errors, out, pixels, quality, iccProfile);
    jpeg_destroy_compress(&cinfo);
    return ok && std::fflush(out) == 0 && !std::ferror(out);
}

}  // namespace ombrel
