#include "PngDecoder.h"

#include "DecodeLimits.h"

#include <png.h>

#include <algorithm>
#include <bit>
#include <csetjmp>
#include <cstring>
#include <new>
#include <vector>

namespace ombrel::PngDecoder {

namespace {

struct Reader {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos;
};

void readFromMemory(png_structp png, png_bytep out, png_size_t count) {
    auto* r = static_cast<Reader*>(png_get_io_ptr(png));
    if (r->size - r->pos < count) png_error(png, "truncated");
    std::memcpy(out, r->data + r->pos, count);
    r->pos += count;
}

[[noreturn]] void fail(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void ignoreWarning(png_structp, png_const_charp) {}

// The read and info structures, destroyed together.
struct PngRead {
    png_structp png = nullptr;
    png_infop info = nullptr;
    PngRead() {
        png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, fail, ignoreWarning);
        if (png) info = png_create_info_struct(png);
    }
    ~PngRead() { png_destroy_read_struct(&png, &info, nullptr); }
    PngRead(const PngRead&) = delete;
    PngRead& operator=(const PngRead&) = delete;
};

struct Header {
    png_uint_32 width, height;
    int channels, bitDepth, passes;
    png_bytep icc;
    png_uint_32 iccLength;
};

// libpng reports errors by longjmp, so the code between setjmp and the jump
// keeps only plain locals (no destructors to skip).
bool readHeader(png_structp png, png_infop info, Header* header) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_benign_errors(png, 1);
    png_read_info(png, info);
    const int colourType = png_get_color_type(png, info);
    const int depth = png_get_bit_depth(png, info);
    if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colourType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    if (depth == 16 && std::endian::native == std::endian::little) png_set_swap(png);
    header->passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    header->width = png_get_image_width(png, info);
    header->height = png_get_image_height(png, info);
    header->channels = png_get_channels(png, info);
    header->bitDepth = png_get_bit_depth(png, info);
    header->icc = nullptr;
    header->iccLength = 0;
    png_charp name = nullptr;
    int compression = 0;
    png_get_iCCP(png, info, &name, &compression, &header->icc, &header->iccLength);
    return true;
}

// Rows in file order; `done` counts the rows complete before any failure.
bool readRows(png_structp png, std::uint8_t* rows, std::size_t stride, int height, volatile int* done) {
    if (setjmp(png_jmpbuf(png))) return false;
    for (int y = 0; y < height; ++y) {
        png_read_row(png, rows + static_cast<std::size_t>(y) * stride, nullptr);
        *done = y + 1;
    }
    return true;
}

bool readInterlaced(png_structp png, std::uint8_t* rows, std::size_t stride, int height, int passes) {
    if (setjmp(png_jmpbuf(png))) return false;
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < height; ++y) png_read_row(png, rows + static_cast<std::size_t>(y) * stride, nullptr);
    }
    return true;
}

std::optional<SampleLayout> layoutOf(int channels, int bitDepth) {
    const bool wide = bitDepth == 16;
    if (bitDepth != 8 && !wide) return std::nullopt;
    switch (channels) {
        case 1: return wide ? SampleLayout::Gray16 : SampleLayout::Gray8;
        case 2: return wide ? SampleLayout::GrayAlpha16 : SampleLayout::GrayAlpha8;
        case 3: return wide ? SampleLayout::Rgb16 : SampleLayout::Rgb8;
        case 4: return wide ? SampleLayout::Rgba16 : SampleLayout::Rgba8;
        default: return std::nullopt;
    }
}

}  // namespace

std::optional<Samples> decode(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 8 || png_sig_cmp(bytes.data(), 0, 8) != 0) return std::nullopt;
    try {
        PngRead read;
        if (!read.png || !read.info) return std::nullopt;
        Reader reader{bytes.data(), bytes.size(), 0};
        png_set_read_fn(read.png, &reader, readFromMemory);

        Header header{};
        if (!readHeader(read.png, read.info, &header)) return std::nullopt;
        const auto layout = layoutOf(header.channels, header.bitDepth);
        if (!layout || !plausibleForFile(header.width, header.height, bytes.size(), maxPngPixelsPerByte)) {
            return std::nullopt;
        }

        Samples s;
        s.width = static_cast<int>(header.width);
        s.height = static_cast<int>(header.height);
        s.layout = *layout;
        if (header.icc && header.iccLength > 0) s.icc.assign(header.icc, header.icc + header.iccLength);
        std::uint8_t* rows = allocateRows(s);

        if (header.passes > 1) {
            if (!readInterlaced(read.png, rows, s.stride, s.height, header.passes)) return std::nullopt;
            return s;
        }
        volatile int done = 0;
        if (!readRows(read.png, rows, s.stride, s.height, &done)) {
            if (done == 0) return std::nullopt;
            std::memset(rows + static_cast<std::size_t>(done) * s.stride, 0x80,
                        static_cast<std::size_t>(s.height - done) * s.stride);
        }
        return s;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace ombrel::PngDecoder
