#include "Exporter.h"

#include "ExportFile.h"
#include "ExportRender.h"
#include "StreamedJpegExport.h"

#include "imageio/FdStream.h"
#include "imageio/ImageLoader.h"
#include "render/Pipeline.h"

#include <cstdio>
#include <ctime>

namespace ombrel::Exporter {
namespace {

// Every occurrence, left to right; replaced text is not searched again.
std::string replaceAll(std::string text, std::string_view token, std::string_view value) {
    std::string out;
    std::size_t from = 0;
    for (std::size_t at = text.find(token); at != std::string::npos; at = text.find(token, from)) {
        out.append(text, from, at - from).append(value);
        from = at + token.size();
    }
    out.append(text, from);
    return out;
}

std::string formatDate(std::chrono::year_month_day day) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(day.year()),
                  static_cast<unsigned>(day.month()), static_cast<unsigned>(day.day()));
    return text;
}

std::string formatNumber(int number) {
    char text[16];
    std::snprintf(text, sizeof text, "%03d", number);
    return text;
}

// Full resolution, unless the export is resized to at most half of it: then
// the decoder's own reduction (JPEG DCT scaling, RAW half size) gives what
// the final Lanczos shrink needs at a fraction of the work.
std::optional<LoadedImage> decode(const std::filesystem::path& photo, const EditSettings& settings,
                                  const ExportOptions& options) {
    try {
        if (options.resize) {
            if (const auto full = ImageLoader::pixelSize(photo)) {
                if (const auto side = reducedDecodeSide(full->width, full->height, settings.crop, options.longEdge)) {
                    return ImageLoader::load(photo, *side, settings.raw, full);
                }
            }
        }
        return ImageLoader::load(photo, std::nullopt, settings.raw, std::nullopt);
    } catch (...) {
        return std::nullopt;
    }
}

std::optional<EncodedImage> develop(LoadedImage loaded, const EditSettings& settings, const ExportOptions& options) {
    try {
        Pipeline pipeline;
        Graph graph = pipeline.build(loaded.image, settings, loaded.scale, false, false);
        loaded.image.reset();  // the graph holds the only reference, so scaling can free it early
        const OutputColor color(options.displayP3 ? OutputSpace::displayP3 : OutputSpace::srgb);
        const std::optional<double> shrink =
            options.resize ? shrinkFactor(graph.width(), graph.height(), options.longEdge) : std::nullopt;
        return renderEncoded(std::move(graph), shrink, color, options.format == ExportFormat::tiff);
    } catch (...) {
        return std::nullopt;
    }
}

}  // namespace

std::string fileName(std::string_view nameTemplate, const std::filesystem::path& photo, int index, int rating,
                     std::chrono::year_month_day today) {
    std::string name(nameTemplate.empty() ? std::string_view("{name}") : nameTemplate);
    name = replaceAll(std::move(name), "{name}", photo.stem().string());
    name = replaceAll(std::move(name), "{n}", formatNumber(index + 1));
    name = replaceAll(std::move(name), "{date}", formatDate(today));
    name = replaceAll(std::move(name), "{rating}", std::to_string(rating));
    for (char& c : name) {
        if (c == '/' || c == ':') c = '_';
    }
    return name;
}

std::string fileName(std::string_view nameTemplate, const std::filesystem::path& photo, int index, int rating) {
    return fileName(nameTemplate, photo, index, rating, localToday());
}

std::chrono::year_month_day localToday() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    return std::chrono::year_month_day{std::chrono::year(local.tm_year + 1900),
                                       std::chrono::month(static_cast<unsigned>(local.tm_mon + 1)),
                                       std::chrono::day(static_cast<unsigned>(local.tm_mday))};
}

namespace {

// Full-size JPEG exports of JPEG photos with edits that work pixel by pixel
// are streamed; everything else, and any streamed export that fails part-way
// (which leaves nothing behind), goes through the band renderer, which decides
// what the export gives and reports its errors, as it does for every photo.
// `publish` writes a picture (a PictureWriter in an output space) to its file.
template <typename Publish>
std::optional<ExportError> developAndWrite(const std::filesystem::path& photo, const EditSettings& settings,
                                           const ExportOptions& options, Publish publish) {
    const OutputSpace space = options.displayP3 ? OutputSpace::displayP3 : OutputSpace::srgb;
    if (std::optional<StreamedJpegExport> streamed = StreamedJpegExport::prepare(photo, settings, options)) {
        const PictureWriter picture = [&](int fd) {
            return writeThroughStream(fd, [&](std::FILE* out) { return streamed->write(out); });
        };
        if (!publish(picture, space)) return std::nullopt;
    }

    std::optional<LoadedImage> loaded = decode(photo, settings, options);
    if (!loaded || !loaded->image) return ExportError::couldNotDecode(photo);

    std::optional<EncodedImage> pixels = develop(std::move(*loaded), settings, options);
    loaded.reset();
    if (!pixels) return ExportError::renderFailedFor(photo);

    const FileSettings file{options.format, options.quality, space};
    return publish(encodedWriter(*pixels, file), space);
}

}  // namespace

std::optional<ExportError> exportPhoto(const std::filesystem::path& photo, const EditSettings& settings,
                                       const ExportOptions& options, const std::filesystem::path& dest) {
    return developAndWrite(photo, settings, options,
                           [&](const PictureWriter& picture, OutputSpace space) -> std::optional<ExportError> {
                               try {
                                   return writeExportFile(picture, space, photo, dest);
                               } catch (...) {
                                   return ExportError::couldNotFinish(dest);
                               }
                           });
}

std::optional<ExportError> exportPhoto(const std::filesystem::path& photo, const EditSettings& settings,
                                       const ExportOptions& options, const NameCandidates& candidates,
                                       std::filesystem::path* written) {
    return developAndWrite(photo, settings, options,
                           [&](const PictureWriter& picture, OutputSpace space) -> std::optional<ExportError> {
                               try {
                                   return writeExportFileFirstFree(picture, space, photo, candidates, written);
                               } catch (...) {
                                   const auto plain = candidates(0);
                                   return ExportError::couldNotFinish(plain ? *plain : photo);
                               }
                           });
}

}  // namespace ombrel::Exporter
