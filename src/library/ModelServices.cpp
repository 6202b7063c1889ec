#include "ModelServices.h"

#include "imageio/ImageLoader.h"
#include "imageio/RawDecoder.h"
#include "model/SupportedFiles.h"
#include "render/Pipeline.h"
#include "services/ExifReader.h"

namespace ombrel {

namespace {

// A RAW file's embedded preview is used when it is big enough to look sharp
// at fit on most screens until the proxy arrives.
constexpr int quickLookMinSide = 640;
constexpr int quickLookMaxSide = 1600;
// Other files have no such preview: the proxy's own decode is shrunk to this
// before it is developed. A second, smaller decode would cost a JPEG's whole
// entropy decoding again and slow the proxy down.
constexpr int decodedQuickLookSide = 640;

}  // namespace

ModelServices ModelServices::standard() {
    ModelServices services;
    services.load = [](const std::filesystem::path& file, std::optional<double> maxSide, const RawOptions& raw,
                       std::optional<PixelSize> knownFullSize, const QuickLookSink& quickLook) {
        return ImageLoader::load(file, maxSide, raw, knownFullSize, EarlyLook{decodedQuickLookSide, quickLook});
    };
    services.readMetadata = [](const std::filesystem::path& file) -> MetadataLines {
        return ExifReader::read(file);
    };
    // A Pipeline of its own: the model's pipeline serves the preview, and one
    // pipeline builds one graph at a time.
    services.histogram = [](const LoadedImage& proxy, const EditSettings& settings) {
        Pipeline pipeline;
        return Histogram::compute(pipeline.build(proxy.image, settings, proxy.scale, false, false));
    };
    services.quickLook = [](const std::filesystem::path& file) -> std::optional<Bitmap8> {
        if (isRawFile(file)) return RawDecoder::embeddedPreview(file, quickLookMinSide, quickLookMaxSide);
        return std::nullopt;
    };
    return services;
}

}  // namespace ombrel
