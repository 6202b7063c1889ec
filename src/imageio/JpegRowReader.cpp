#include "JpegRowReader.h"

#include "JpegDecoder.h"
#include "JpegErrorExit.h"

#include <cstdio>
#include <jpeglib.h>

#include <csetjmp>
#include <vector>

namespace ombrel {
namespace {

// The whole-picture decoder refuses progressive files with more scans than
// this (TurboJPEG's scan limit); so does the row reader.
constexpr int maxScans = 500;

void limitScans(j_common_ptr cinfo) {
    if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > maxScans) JpegErrorExit::errorExit(cinfo);
}

}  // namespace

struct JpegRowReader::State {
    jpeg_decompress_struct cinfo{};
    JpegErrorExit errors{};
    jpeg_progress_mgr progress{};
    std::vector<JSAMPROW> pointers;
    SampleLayout layout = SampleLayout::Rgb8;
    bool created = false;
    bool decoding = false;
    bool failed = false;

    ~State() {
        if (created) jpeg_destroy_decompress(&cinfo);
    }
};

namespace {

// These functions hold no objects with destructors: libjpeg reports errors by
// longjmp out of them.
bool readHeader(JpegRowReader::State& s, std::span<const std::uint8_t> jpeg) {
    if (setjmp(s.errors.escape)) return false;
    jpeg_create_decompress(&s.cinfo);
    s.created = true;
    s.cinfo.progress = &s.progress;
    jpeg_mem_src(&s.cinfo, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    if (jpeg_read_header(&s.cinfo, TRUE) != JPEG_HEADER_OK) return false;
    switch (s.cinfo.jpeg_color_space) {
        case JCS_GRAYSCALE:
            s.cinfo.out_color_space = JCS_GRAYSCALE;
            s.layout = SampleLayout::Gray8;
            break;
        case JCS_RGB:
        case JCS_YCbCr:
            s.cinfo.out_color_space = JCS_EXT_RGB;
            s.layout = SampleLayout::Rgb8;
            break;
        default: return false;
    }
    jpeg_calc_output_dimensions(&s.cinfo);
    return static_cast<int>(s.cinfo.output_components) == channelCount(s.layout);
}

bool readRows(JpegRowReader::State& s, int count) {
    if (setjmp(s.errors.escape)) return false;
    if (!s.decoding) {
        // A progressive file is decoded whole into coefficients here.
        jpeg_start_decompress(&s.cinfo);
        s.decoding = true;
    }
    for (int done = 0; done < count;) {
        const JDIMENSION got = jpeg_read_scanlines(&s.cinfo, s.pointers.data() + done, count - done);
        if (got == 0) return false;
        done += static_cast<int>(got);
    }
    return true;
}

bool finishDecoding(JpegRowReader::State& s) {
    if (setjmp(s.errors.escape)) return false;
    jpeg_finish_decompress(&s.cinfo);
    return true;
}

}  // namespace

JpegRowReader::JpegRowReader(std::unique_ptr<State> state) : state_(std::move(state)) {}
JpegRowReader::JpegRowReader(JpegRowReader&&) noexcept = default;
JpegRowReader& JpegRowReader::operator=(JpegRowReader&&) noexcept = default;
JpegRowReader::~JpegRowReader() = default;

std::optional<JpegRowReader> JpegRowReader::open(std::span<const std::uint8_t> jpeg) {
    // The whole-picture decoder's own header checks first, so that both take
    // and refuse the same files.
    const auto stored = JpegDecoder::storedSize(jpeg);
    if (!stored) return std::nullopt;
    auto state = std::make_unique<State>();
    state->cinfo.err = state->errors.install();
    state->progress.progress_monitor = limitScans;
    if (!readHeader(*state, jpeg)) return std::nullopt;
    if (static_cast<int>(state->cinfo.output_width) != stored->width ||
        static_cast<int>(state->cinfo.output_height) != stored->height) {
        return std::nullopt;
    }
    return JpegRowReader(std::move(state));
}

int JpegRowReader::width() const { return static_cast<int>(state_->cinfo.output_width); }
int JpegRowReader::height() const { return static_cast<int>(state_->cinfo.output_height); }
SampleLayout JpegRowReader::layout() const { return state_->layout; }
int JpegRowReader::rowsRead() const { return static_cast<int>(state_->cinfo.output_scanline); }

bool JpegRowReader::read(std::uint8_t* rows, std::size_t stride, int count) {
    State& s = *state_;
    if (s.failed || count < 0 || count > height() - rowsRead()) return false;
    try {
        s.pointers.resize(static_cast<std::size_t>(count));
    } catch (...) {
        s.failed = true;
        return false;
    }
    for (std::size_t i = 0; i < s.pointers.size(); ++i) s.pointers[i] = rows + stride * i;
    if (!readRows(s, count)) s.failed = true;
    return !s.failed;
}

bool JpegRowReader::finish() {
    State& s = *state_;
    if (s.failed || rowsRead() != height()) return false;
    if (!finishDecoding(s)) s.failed = true;
    return !s.failed;
}

}  // namespace ombrel
