#pragma once

#include "EditState.h"

#include "model/EditSettings.h"
#include "model/RawOptions.h"
#include "render/LoadedImage.h"
#include "services/Histogram.h"

#include <filesystem>
#include <functional>
#include <optional>

namespace ombrel {

// The heavy work the model hands to background threads: decoding, reading
// metadata lines and measuring the histogram. Each is called on a pool
// thread with copies of its inputs, so each must be safe to call from several
// threads at once. Tests wrap these to hold a result back or count calls.
struct ModelServices {
    // Takes a quick look that a decode hands over on its way to the proxy.
    using QuickLookSink = std::function<void(Bitmap8)>;
    using Load = std::function<std::optional<LoadedImage>(
        const std::filesystem::path& file, std::optional<double> maxSide, const RawOptions& raw,
        std::optional<PixelSize> knownFullSize, const QuickLookSink& quickLook)>;
    using ReadMetadata = std::function<MetadataLines(const std::filesystem::path& file)>;
    // Develops `proxy` with `settings` (crop applied, no clipping overlay) and measures it.
    using MeasureHistogram = std::function<std::optional<HistogramData>(const LoadedImage& proxy,
                                                                        const EditSettings& settings)>;

    // A picture to show at once while the proxy decodes: the camera's embedded
    // preview; nothing for other files, whose decode hands one to its sink.
    using QuickLook = std::function<std::optional<Bitmap8>(const std::filesystem::path& file)>;

    Load load;
    ReadMetadata readMetadata;
    MeasureHistogram histogram;
    QuickLook quickLook;

    // The image loader, the EXIF reader and a fresh Pipeline per histogram.
    static ModelServices standard();
};

}  // namespace ombrel
