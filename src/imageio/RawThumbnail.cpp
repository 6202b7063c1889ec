#include "RawDecoder.h"

#include "LibRawSession.h"
#include "RawGeometry.h"
#include "RawToneCurve.h"

#include "render/Orientation.h"
#include "render/Resample.h"

#include <tbb/parallel_for.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <utility>

namespace ombrel::RawDecoder {

namespace {

// Linear light to 8-bit sRGB through a table fine enough that neighbouring
// entries never differ by more than one output level.
constexpr int encodeTableSize = 16384;

struct SrgbTable {
    std::array<std::uint8_t, encodeTableSize + 1> values;
    SrgbTable() {
        for (int i = 0; i <= encodeTableSize; ++i) {
            const double v = static_cast<double>(i) / encodeTableSize;
            const double e = v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
            values[i] = static_cast<std::uint8_t>(std::lround(e * 255));
        }
    }
};

Bitmap8 encodeSrgb(const Image& image) {
    static const SrgbTable table;
    Bitmap8 out(image.width(), image.height());
    const int width = image.width();
    tbb::parallel_for(0, image.height(), [&](int y) {
        const float* src = image.row(y);
        std::uint8_t* dst = out.row(y);
        for (int x = 0; x < width; ++x, src += 4, dst += 3) {
            for (int c = 0; c < 3; ++c) {
                const float v = std::isnan(src[c]) ? 0.0f : std::clamp(src[c], 0.0f, 1.0f);
                dst[c] = table.values[static_cast<int>(v * encodeTableSize + 0.5f)];
            }
        }
    });
    return out;
}

template <typename Buffer>
Buffer fitted(Buffer picture, int maxSide) {
    const auto [w, h] = fitWithin(picture.width(), picture.height(), maxSide);
    if (w == picture.width() && h == picture.height()) return picture;
    return resample(picture, w, h);
}

// The default look at reduced size, for files whose preview is too small or
// missing: half-size decode, no noise reduction or lens correction (neither
// shows at thumbnail size).
std::optional<Bitmap8> decodedThumbnail(raw::LibRawSession& session, int maxSide) {
    raw::DevelopParams params;
    params.halfSize = true;
    params.gain = exposureGain(session.facts().baselineExposure);
    std::optional<raw::Developed> developed = session.develop(params);
    if (!developed) return std::nullopt;
    Image small = fitted(std::move(developed->image), maxSide);
    ToneBoost(params.gain).apply(small);
    return encodeSrgb(small);
}

// Previews are stored the way the sensor was held, like the RAW data.
std::optional<Bitmap8> uprightPreview(raw::LibRawSession& session, int minLongSide, int maxSide) {
    std::optional<Bitmap8> preview = session.preview(minLongSide);
    if (!preview) return std::nullopt;
    const int orientation = raw::orientationFromFlip(session.facts().flip);
    Bitmap8 small = fitted(std::move(*preview), maxSide);
    return orientation == 1 ? small : applyOrientation(small, orientation);
}

}  // namespace

std::optional<Bitmap8> embeddedPreview(const std::filesystem::path& file, int minLongSide, int maxSide) {
    if (minLongSide <= 0 || maxSide < minLongSide) return std::nullopt;
    try {
        std::optional<raw::LibRawSession> session = raw::LibRawSession::open(file);
        if (!session) return std::nullopt;
        return uprightPreview(*session, minLongSide, maxSide);
    } catch (...) {
        return std::nullopt;
    }
}

std::optional<Bitmap8> thumbnail(const std::filesystem::path& file, int maxSide) {
    if (maxSide <= 0) return std::nullopt;
    try {
        std::optional<raw::LibRawSession> session = raw::LibRawSession::open(file);
        if (!session) return std::nullopt;
        if (std::optional<Bitmap8> preview = uprightPreview(*session, maxSide, maxSide)) return preview;
        return decodedThumbnail(*session, maxSide);
    } catch (...) {
        return std::nullopt;
    }
}

}  // namespace ombrel::RawDecoder
