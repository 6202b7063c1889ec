#include "JpegWriter.h"

#include "JpegErrorExit.h"

#include <jpeglib.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>

namespace ombrel {
namespace {

// From here up, colour is kept at full resolution: at high qualities halving
// it would be the largest loss left.
constexpr int fullChromaQuality = 90;

}  // namespace

struct JpegRowWriter::State {
    jpeg_compress_struct cinfo{};
    JpegErrorExit errors{};
    bool created = false;
    bool failed = false;

    ~State() {
        if (created) jpeg_destroy_compress(&cinfo);
    }
};

namespace {

// These functions hold no objects with destructors: libjpeg reports errors by
// longjmp out of them.
bool start(JpegRowWriter::State& s, std::FILE* out, int width, int height, int quality,
           std::span<const std::uint8_t> iccProfile) {
    if (setjmp(s.errors.escape)) return false;
    jpeg_create_compress(&s.cinfo);
    s.created = true;
    jpeg_stdio_dest(&s.cinfo, out);
    s.cinfo.image_width = static_cast<JDIMENSION>(width);
    s.cinfo.image_height = static_cast<JDIMENSION>(height);
    s.cinfo.input_components = 3;
    s.cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&s.cinfo);
    jpeg_set_quality(&s.cinfo, quality, TRUE);
    if (quality >= fullChromaQuality) {
        for (int c = 0; c < s.cinfo.num_components; ++c) {
            s.cinfo.comp_info[c].h_samp_factor = 1;
            s.cinfo.comp_info[c].v_samp_factor = 1;
        }
    }
    jpeg_start_compress(&s.cinfo, TRUE);
    if (!iccProfile.empty()) {
        jpeg_write_icc_profile(&s.cinfo, iccProfile.data(), static_cast<unsigned>(iccProfile.size()));
    }
    return true;
}

bool writeRows(JpegRowWriter::State& s, const std::uint8_t* rows, std::size_t stride, int count) {
    if (setjmp(s.errors.escape)) return false;
    for (int i = 0; i < count; ++i) {
        JSAMPROW row = const_cast<JSAMPROW>(rows + stride * static_cast<std::size_t>(i));
        if (jpeg_write_scanlines(&s.cinfo, &row, 1) != 1) return false;
    }
    return true;
}

bool finishCompressing(JpegRowWriter::State& s) {
    if (setjmp(s.errors.escape)) return false;
    jpeg_finish_compress(&s.cinfo);
    return true;
}

}  // namespace

int jpegQuality(double quality) {
    if (!(quality > 0)) return 1;
    return std::clamp(static_cast<int>(std::lround(quality * 100)), 1, 100);
}

JpegRowWriter::JpegRowWriter(std::FILE* out, int width, int height, int quality,
                             std::span<const std::uint8_t> iccProfile)
    : state_(std::make_unique<State>()), out_(out) {
    state_->cinfo.err = state_->errors.install();
    state_->failed = width <= 0 || height <= 0 || !start(*state_, out, width, height, quality, iccProfile);
}

JpegRowWriter::~JpegRowWriter() = default;

bool JpegRowWriter::ok() const { return !state_->failed; }

bool JpegRowWriter::write(const std::uint8_t* rows, std::size_t stride, int count) {
    State& s = *state_;
    if (s.failed || count < 0 || static_cast<JDIMENSION>(count) > s.cinfo.image_height - s.cinfo.next_scanline) {
        s.failed = true;
        return false;
    }
    if (!writeRows(s, rows, stride, count)) s.failed = true;
    return !s.failed;
}

bool JpegRowWriter::finish() {
    State& s = *state_;
    if (s.failed || s.cinfo.next_scanline != s.cinfo.image_height || !finishCompressing(s)) {
        s.failed = true;
        return false;
    }
    return std::fflush(out_) == 0 && !std::ferror(out_);
}

bool writeJpeg(std::FILE* out, const Bitmap8& pixels, int quality, std::span<const std::uint8_t> iccProfile) {
    if (pixels.empty()) return false;
    JpegRowWriter writer(out, pixels.width(), pixels.height(), quality, iccProfile);
    return writer.write(pixels.data(), pixels.rowLength(), pixels.height()) && writer.finish();
}

}  // namespace ombrel
