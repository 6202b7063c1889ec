#include "StandardDecoder.h"

#include "FileBytes.h"
#include "HeifDecoder.h"
#include "ImageFormat.h"
#include "JpegDecoder.h"
#include "MetadataReader.h"
#include "PngDecoder.h"
#include "PropertiesReader.h"
#include "WorkingSpace.h"

#include "render/Orientation.h"
#include "render/Resample.h"
#include "render/SrgbTables.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace ombrel::StandardDecoder {

namespace {

// Samples as the decoder delivers them, the full stored size they stand for
// and the EXIF orientation still to apply (1 for HEIF, already upright).
struct Decoded {
    Samples samples;
    int storedWidth = 0;
    int storedHeight = 0;
    int orientation = 1;
};

int exifOrientation(std::span<const std::uint8_t> bytes) {
    const auto meta = MetadataReader::read(bytes);
    return meta ? meta->properties.orientation.value_or(1) : 1;
}

// A JPEG at the DCT scale that keeps the longer side at least `minLongSide`.
std::optional<Decoded> decodeJpeg(std::span<const std::uint8_t> bytes, int minLongSide, int orientation) {
    const auto stored = JpegDecoder::storedSize(bytes);
    if (!stored) return std::nullopt;
    auto samples = JpegDecoder::decode(bytes, JpegDecoder::scaleDenominator(*stored, minLongSide));
    if (!samples) return std::nullopt;
    return Decoded{std::move(*samples), stored->width, stored->height, orientation};
}

std::optional<Decoded> decodeWhole(std::optional<Samples> samples, int orientation) {
    if (!samples) return std::nullopt;
    const int w = samples->width, h = samples->height;
    return Decoded{std::move(*samples), w, h, orientation};
}

// Decodes with the fewest pixels that still cover `minLongSide` (0: all).
std::optional<Decoded> decodeFile(std::span<const std::uint8_t> bytes, int minLongSide) {
    switch (sniffFormat(bytes)) {
        case ImageFormat::Jpeg: return decodeJpeg(bytes, minLongSide, exifOrientation(bytes));
        case ImageFormat::Png: return decodeWhole(PngDecoder::decode(bytes), exifOrientation(bytes));
        case ImageFormat::Heif: return decodeWhole(HeifDecoder::decode(bytes), 1);
        case ImageFormat::Unknown: break;
    }
    return std::nullopt;
}

// Into the working space at exactly `target` (stored orientation), then upright.
std::optional<Image> develop(const Decoded& d, std::pair<int, int> target) {
    auto image = toWorkingImage(d.samples, target.first, target.second);
    if (!image || d.orientation == 1) return image;
    return applyOrientation(*image, d.orientation);
}

bool validMaxSize(double maxPixelSize) { return std::isfinite(maxPixelSize) && maxPixelSize >= 1; }

std::optional<Bitmap8> fitted(const Decoded& d, int maxSide) {
    const auto image = develop(d, fitWithin(d.samples.width, d.samples.height, maxSide));
    if (!image) return std::nullopt;
    return toBitmap8(*image);
}

// 8-bit samples shrunk by a whole `factor`, each block of factor x factor
// averaged. Good enough for a passing look, and the exact resample after it
// then reads a fraction of the pixels.
Samples boxShrunk(const Samples& s, int factor) {
    Samples out;
    out.width = s.width / factor;
    out.height = s.height / factor;
    out.layout = s.layout;
    out.icc = s.icc;
    out.cmykInverted = s.cmykInverted;
    std::uint8_t* rows = allocateRows(out);
    const auto channels = static_cast<std::size_t>(channelCount(s.layout));
    const std::size_t rowValues = static_cast<std::size_t>(out.width) * channels;
    const auto block = static_cast<std::uint32_t>(factor * factor);
    std::vector<std::uint32_t> sums(rowValues);
    for (int y = 0; y < out.height; ++y) {
        std::fill(sums.begin(), sums.end(), 0u);
        for (int dy = 0; dy < factor; ++dy) {
            const std::uint8_t* in = s.row(y * factor + dy);
            std::uint32_t* sum = sums.data();
            for (int x = 0; x < out.width; ++x, sum += channels)
                for (int dx = 0; dx < factor; ++dx)
                    for (std::size_t c = 0; c < channels; ++c) sum[c] += *in++;
        }
        std::uint8_t* o = rows + static_cast<std::size_t>(y) * out.stride;
        for (std::size_t i = 0; i < rowValues; ++i) o[i] = static_cast<std::uint8_t>((sums[i] + block / 2) / block);
    }
    return out;
}

// Hands `early` a look at what was decoded, before it is developed.
void handOver(const Decoded& d, const EarlyLook& early) {
    if (!early.take || early.maxSide < 1) return;
    const int factor = std::max(d.samples.width, d.samples.height) / early.maxSide;
    std::optional<Bitmap8> look;
    if (factor >= 2 && !isSixteenBit(d.samples.layout)) {
        look = fitted(Decoded{boxShrunk(d.samples, factor), d.storedWidth, d.storedHeight, d.orientation},
                      early.maxSide);
    } else {
        look = fitted(d, early.maxSide);
    }
    if (look) early.take(std::move(*look));
}

// A reduced decode at most this much larger than asked is developed at its own
// size: resampling it by a few percent costs more than the extra pixels do.
constexpr double keptReductionSlack = 1.1;

std::optional<Image> reduced(std::span<const std::uint8_t> bytes, double maxPixelSize, bool exact,
                             const EarlyLook& early = {}) {
    const int minLongSide = static_cast<int>(std::ceil(maxPixelSize));
    const auto decoded = decodeFile(bytes, minLongSide);
    if (!decoded) return std::nullopt;
    handOver(*decoded, early);
    const Samples& s = decoded->samples;
    if (!exact && std::max(s.width, s.height) <= maxPixelSize * keptReductionSlack) {
        return develop(*decoded, {s.width, s.height});
    }
    return develop(*decoded, fitWithin(decoded->storedWidth, decoded->storedHeight, maxPixelSize));
}

// The EXIF thumbnail of a JPEG when it is large enough and has the picture's
// shape (some cameras letterbox it to 4:3), turned like the picture. It is
// sRGB even in files whose picture carries another profile.
std::optional<Bitmap8> exifThumbnail(std::span<const std::uint8_t> bytes, int maxSide) {
    const auto picture = JpegDecoder::storedSize(bytes);
    const auto thumb = MetadataReader::exifThumbnail(bytes);
    const auto size = JpegDecoder::storedSize(thumb);
    if (!picture || !size || std::max(size->width, size->height) < maxSide) return std::nullopt;
    const double pictureAspect = static_cast<double>(picture->width) / picture->height;
    const double thumbAspect = static_cast<double>(size->width) / size->height;
    if (std::abs(thumbAspect / pictureAspect - 1) > 0.02) return std::nullopt;
    const auto decoded = decodeJpeg(thumb, maxSide, exifOrientation(bytes));
    if (!decoded) return std::nullopt;
    return fitted(*decoded, maxSide);
}

std::optional<Bitmap8> heifThumbnail(std::span<const std::uint8_t> bytes, int maxSide) {
    auto samples = HeifDecoder::decodeThumbnail(bytes, maxSide);
    if (!samples) return std::nullopt;
    const auto decoded = decodeWhole(std::move(samples), 1);
    return fitted(*decoded, maxSide);
}

}  // namespace

std::optional<ImageProperties> properties(const std::filesystem::path& file) { return readProperties(file); }

std::optional<Image> decodeFull(const std::filesystem::path& file, const EarlyLook& early) {
    try {
        const auto bytes = readFileBytes(file);
        if (!bytes) return std::nullopt;
        const auto decoded = decodeFile(*bytes, 0);
        if (!decoded) return std::nullopt;
        handOver(*decoded, early);
        return develop(*decoded, {decoded->samples.width, decoded->samples.height});
    } catch (...) {
        return std::nullopt;
    }
}

std::optional<Image> decodeReduced(const std::filesystem::path& file, double maxPixelSize, const EarlyLook& early) {
    if (!validMaxSize(maxPixelSize)) return std::nullopt;
    try {
        const auto bytes = readFileBytes(file);
        if (!bytes) return std::nullopt;
        return reduced(*bytes, maxPixelSize, false, early);
    } catch (...) {
        return std::nullopt;
    }
}

std::optional<Bitmap8> thumbnail(const std::filesystem::path& file, int maxSide) {
    if (maxSide < 1) return std::nullopt;
    try {
        const auto bytes = readFileBytes(file);
        if (!bytes) return std::nullopt;
        const ImageFormat format = sniffFormat(*bytes);
        std::optional<Bitmap8> embedded;
        if (format == ImageFormat::Heif) embedded = heifThumbnail(*bytes, maxSide);
        if (format == ImageFormat::Jpeg) embedded = exifThumbnail(*bytes, maxSide);
        if (embedded) return embedded;
        const auto image = reduced(*bytes, maxSide, true);
        if (!image) return std::nullopt;
        return toBitmap8(*image);
    } catch (...) {
        return std::nullopt;
    }
}

}  // namespace ombrel::StandardDecoder
