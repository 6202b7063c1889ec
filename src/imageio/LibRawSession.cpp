#include "LibRawSession.h"

#include "DecodeLimits.h"
#include "EmbeddedJpeg.h"
#include "OpenMpShare.h"

#include <libraw/libraw.h>
#include <tbb/parallel_for.h>

#include <algorithm>
#include <cstring>
#include <utility>

namespace ombrel::raw {

namespace {

std::string text(const char* field, std::size_t capacity) {
    return std::string(field, strnlen(field, capacity));
}

template <std::size_t N>
std::string text(const char (&field)[N]) {
    return text(field, N);
}

RawFacts readFacts(const libraw_data_t& d) {
    RawFacts f;
    f.make = text(d.idata.make);
    f.model = text(d.idata.model);
    f.lens = text(d.lens.Lens);
    if (f.lens.empty()) f.lens = text(d.lens.makernotes.Lens);
    f.iso = d.other.iso_speed;
    f.focalLength = d.other.focal_len;
    f.aperture = d.other.aperture;
    f.flip = d.sizes.flip;
    f.fullSize = stretchedSize(d.sizes.width, d.sizes.height, d.sizes.pixel_aspect);
    if (d.color.dng_levels.parsedfields & LIBRAW_DNGFM_BASELINEEXPOSURE)
        f.baselineExposure = d.color.dng_levels.baseline_exposure;
    return f;
}

// Where LibRaw's flip puts things: the index of the stored pixel shown at
// (row, col) of the output, for a stored picture `width` pixels wide. The
// same arithmetic as LibRaw's own output functions.
inline std::ptrdiff_t storedIndex(int flip, int row, int col, int width, int height) {
    if (flip & 4) std::swap(row, col);
    if (flip & 2) row = height - 1 - row;
    if (flip & 1) col = width - 1 - col;
    return static_cast<std::ptrdiff_t>(row) * width + col;
}

// LibRaw's processed 16-bit picture (white at 65535) into the working image.
Image toWorkingImage(const ushort (*pixels)[4], int width, int height, int flip, int colors, float gain) {
    const bool turn = flip & 4;
    Image out(turn ? height : width, turn ? width : height);
    const int outWidth = out.width();
    const float k = gain / 65535.0f;
    const int g = colors >= 3 ? 1 : 0, b = colors >= 3 ? 2 : 0;  // monochrome sensors fill channel 0 only
    tbb::parallel_for(0, out.height(), [&](int y) {
        const std::ptrdiff_t start = storedIndex(flip, y, 0, width, height);
        const std::ptrdiff_t step = outWidth > 1 ? storedIndex(flip, y, 1, width, height) - start : 0;
        const ushort(*src)[4] = pixels + start;
        float* dst = out.row(y);
        for (int x = 0; x < outWidth; ++x, src += step, dst += 4) {
            dst[0] = (*src)[0] * k;
            dst[1] = (*src)[g] * k;
            dst[2] = (*src)[b] * k;
            dst[3] = 1.0f;
        }
    });
    return out;
}

Bitmap8 fromBitmapPreview(const libraw_thumbnail_t& t) {
    Bitmap8 out(t.twidth, t.theight);
    const auto* src = reinterpret_cast<const unsigned char*>(t.thumb);
    if (t.tcolors == 3) {
        std::memcpy(out.data(), src, out.byteCount());
    } else {
        for (std::size_t i = 0, n = static_cast<std::size_t>(t.twidth) * t.theight; i < n; ++i)
            std::fill_n(out.data() + 3 * i, 3, src[i]);
    }
    return out;
}

}  // namespace

LibRawSession::LibRawSession(std::unique_ptr<LibRaw> raw) : raw_(std::move(raw)), facts_(readFacts(raw_->imgdata)) {}
LibRawSession::LibRawSession(LibRawSession&&) noexcept = default;
LibRawSession& LibRawSession::operator=(LibRawSession&&) noexcept = default;
LibRawSession::~LibRawSession() = default;

std::optional<LibRawSession> LibRawSession::open(const std::filesystem::path& file) {
    try {
        auto raw = std::make_unique<LibRaw>();
        // No messages on stderr: failures are reported by return value.
        raw->set_dataerror_handler(nullptr, nullptr);
        raw->set_memerror_handler(nullptr, nullptr);
        if (raw->open_file(file.c_str()) != LIBRAW_SUCCESS) return std::nullopt;
        const auto& sizes = raw->imgdata.sizes;
        // LibRaw takes dimensions up to 64000 a side from the header; a damaged
        // or hostile one would make it allocate gigabytes before reading a pixel.
        if (!acceptableSize(sizes.raw_width, sizes.raw_height) || !acceptableSize(sizes.width, sizes.height))
            return std::nullopt;
        return LibRawSession(std::move(raw));
    } catch (...) {
        return std::nullopt;
    }
}

std::optional<Developed> LibRawSession::develop(const DevelopParams& params) {
    try {
        const OpenMpShare share;
        if (raw_->unpack() != LIBRAW_SUCCESS) return std::nullopt;

        // The processed buffer is read directly: 16-bit linear with sensor
        // white at 65535, before LibRaw's output curve, so its gamma,
        // brightness and bit-depth settings never come into play.
        libraw_output_params_t& o = raw_->imgdata.params;
        o.use_camera_wb = 1;
        o.output_color = 1;  // sRGB primaries
        o.highlight = 0;     // clip: blown areas stay white rather than tinted
        // Fuji's rotated sensors cannot be halved exactly; they decode in
        // full and are reduced afterwards.
        o.half_size = params.halfSize && raw_->imgdata.rawdata.ioparams.fuji_width == 0;
        o.threshold = params.waveletThreshold;
        if (raw_->dcraw_process() != LIBRAW_SUCCESS) return std::nullopt;

        const libraw_data_t& d = raw_->imgdata;
        if (!d.image || d.sizes.width == 0 || d.sizes.height == 0 || d.idata.colors < 1) return std::nullopt;
        Developed out{toWorkingImage(d.image, d.sizes.width, d.sizes.height, d.sizes.flip, d.idata.colors,
                                     params.gain),
                      o.half_size != 0};
        raw_->recycle();
        return out;
    } catch (...) {
        raw_->recycle();
        return std::nullopt;
    }
}

std::optional<Bitmap8> LibRawSession::preview(int minLongSide) {
    try {
        const libraw_thumbnail_t& t = raw_->imgdata.thumbnail;
        // Skip reading a preview the file already says is too small.
        if (t.twidth > 0 && t.theight > 0 && std::max<int>(t.twidth, t.theight) < minLongSide) return std::nullopt;
        if (raw_->unpack_thumb() != LIBRAW_SUCCESS || !t.thumb || t.tlength == 0) return std::nullopt;

        std::optional<Bitmap8> out;
        if (t.tformat == LIBRAW_THUMBNAIL_JPEG) {
            out = decodeJpeg(reinterpret_cast<const unsigned char*>(t.thumb), t.tlength, minLongSide);
        } else if (t.tformat == LIBRAW_THUMBNAIL_BITMAP && (t.tcolors == 3 || t.tcolors == 1) && t.twidth > 0 &&
                   t.theight > 0 &&
                   t.tlength >= static_cast<std::size_t>(t.twidth) * t.theight * static_cast<std::size_t>(t.tcolors)) {
            out = fromBitmapPreview(t);
        }
        if (!out || std::max(out->width(), out->height()) < minLongSide) return std::nullopt;
        return out;
    } catch (...) {
        return std::nullopt;
    }
}

}  // namespace ombrel::raw
