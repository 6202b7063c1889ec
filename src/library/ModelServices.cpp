#include "ModelServices.h"

#include "imageio/ImageLoader.h"
#include "imageio/RawDecoder.h"
#include "imageio/StandardDecoder.h"
#include "model/SupportedFiles.h"
#include "render/Pipeline.h"
#include "services/ExifReader.h"

#include <cctype>
#include <string>

namespace ombrel {

namespace {

// A RAW file's embedded preview is used when it is big enough to look sharp
// at fit on most screens until the proxy arrives.
constexpr int quickLookMinSide = 640;
constexpr int quickLookMaxSide = 1600;
// A JPEG has no such preview: its quick look is a decode at an eighth or a
// quarter of its size, which skips most of the inverse DCT. Any larger and it
// costs as much as the proxy's own decode, which it would slow down.
constexpr int jpegQuickLookSide = 640;

bool hasJpegExtension(const std::filesystem::path& file) {
    std::string ext = file.extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".jpg" || ext == ".jpeg";
}

}  // namespace

ModelServices ModelServices::standard() {
    ModelServices services;
    services.load = [](const std::filesystem::path& file, std::optional<double> maxSide, const RawOptions& raw,
                       std::optional<PixelSize> knownFullSize) {
        return ImageLoader::load(file, maxSide, raw, knownFullSize);
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
        if (hasJpegExtension(file)) return StandardDecoder::thumbnail(file, jpegQuickLookSide);
        return std::nullopt;
    };
    return services;
}

}  // namespace ombrel
