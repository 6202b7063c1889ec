#include "ImageLoader.h"

#include "RawDecoder.h"
#include "StandardDecoder.h"

#include <algorithm>
#include <cmath>

namespace ombrel::ImageLoader {

std::optional<ImageProperties> properties(const std::filesystem::path& file) {
    return StandardDecoder::properties(file);
}

std::optional<PixelSize> pixelSize(const std::filesystem::path& file) {
    const auto props = properties(file);
    if (!props || !props->pixelWidth || !props->pixelHeight) return std::nullopt;
    const auto w = static_cast<double>(*props->pixelWidth);
    const auto h = static_cast<double>(*props->pixelHeight);
    if (props->orientation && *props->orientation >= 5) return PixelSize{h, w};
    return PixelSize{w, h};
}

std::optional<LoadedImage> load(const std::filesystem::path& file, std::optional<double> maxSide,
                                const RawOptions& raw, std::optional<PixelSize> knownFullSize,
                                const EarlyLook& early) {
    const std::optional<PixelSize> fullSize = knownFullSize ? knownFullSize : pixelSize(file);
    double scale = 1.0;
    if (maxSide && fullSize) {
        const double longer = std::max(fullSize->width, fullSize->height);
        if (longer > 0 && *maxSide / longer < 1) scale = *maxSide / longer;
    }

    LoadedImage loaded;
    if (!isRawFile(file)) {
        if (scale < 1) {
            auto image = StandardDecoder::decodeReduced(file, std::max(fullSize->width, fullSize->height) * scale, early);
            if (!image) return std::nullopt;
            loaded.fullSize = *fullSize;
            // The delivered ratio, which need not equal the requested one.
            loaded.scale = image->width() / fullSize->width;
            loaded.image = std::make_shared<const Image>(std::move(*image));
        } else {
            auto image = StandardDecoder::decodeFull(file, early);
            if (!image) return std::nullopt;
            loaded.fullSize = {static_cast<double>(image->width()), static_cast<double>(image->height())};
            loaded.scale = 1;
            loaded.image = std::make_shared<const Image>(std::move(*image));
        }
        return loaded;
    }

    auto decoded = RawDecoder::decode(file, scale, raw);
    if (!decoded) return std::nullopt;
    if (knownFullSize) {
        loaded.fullSize = *knownFullSize;
    } else {
        loaded.fullSize = {std::round(decoded->image.width() / scale), std::round(decoded->image.height() / scale)};
    }
    loaded.scale = scale;
    loaded.rawDefaults = decoded->defaults;
    loaded.image = std::make_shared<const Image>(std::move(decoded->image));
    return loaded;
}

std::optional<Bitmap8> thumbnail(const std::filesystem::path& file, int maxSide) {
    return isRawFile(file) ? RawDecoder::thumbnail(file, maxSide) : StandardDecoder::thumbnail(file, maxSide);
}

}  // namespace ombrel::ImageLoader
