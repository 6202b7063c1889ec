#include "ModelServices.h"

#include "render/ImageLoader.h"
#include "render/Pipeline.h"
#include "services/ExifReader.h"

namespace ombrel {

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
    return services;
}

}  // namespace ombrel
