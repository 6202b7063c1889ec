#include "InfoCommand.h"

#include "CliPhotos.h"

#include "imageio/ImageLoader.h"
#include "services/ExifReader.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>

namespace ombrel::cli {
namespace {

struct PhotoInfo {
    std::string path;
    struct Size {
        long long width, height;
    };
    std::optional<Size> size;  // upright
    int rating = 0;
    std::string_view flag;
    bool edited = false;
    ExifReader::Lines exif;
};

PhotoInfo describe(const CliPhoto& photo) {
    std::optional<PhotoInfo::Size> size;
    if (const std::optional<PixelSize> pixels = ImageLoader::pixelSize(photo.file)) {
        size = PhotoInfo::Size{std::llround(pixels->width), std::llround(pixels->height)};
    }
    return {photo.file.string(),
            size,
            photo.sidecar.rating,
            flagTexts.text(photo.sidecar.flag),
            !photo.sidecar.settings.isDefault(),
            ExifReader::read(photo.file)};
}

void printText(const std::vector<PhotoInfo>& infos) {
    bool first = true;
    for (const PhotoInfo& info : infos) {
        if (!first) std::cout << '\n';
        first = false;
        std::cout << info.path << '\n';
        for (const auto& [label, value] : info.exif) std::cout << label << ": " << value << '\n';
        if (info.size) {
            std::cout << "Width: " << info.size->width << '\n' << "Height: " << info.size->height << '\n';
        }
        std::cout << "Rating: " << info.rating << '\n'
                  << "Flag: " << info.flag << '\n'
                  << "Edited: " << (info.edited ? "yes" : "no") << '\n';
    }
}

void printJson(const std::vector<PhotoInfo>& infos) {
    using Json = nlohmann::ordered_json;
    Json array = Json::array();
    for (const PhotoInfo& info : infos) {
        Json exif = Json::array();
        for (const auto& [label, value] : info.exif) exif.push_back(Json::array({label, value}));
        array.push_back({{"path", info.path},
                         {"width", info.size ? Json(info.size->width) : Json(nullptr)},
                         {"height", info.size ? Json(info.size->height) : Json(nullptr)},
                         {"rating", info.rating},
                         {"flag", info.flag},
                         {"edited", info.edited},
                         {"exif", std::move(exif)}});
    }
    // Tags and file names need not be UTF-8; JSON must be.
    std::cout << array.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
}

}  // namespace

int runInfo(const std::vector<std::filesystem::path>& locations, bool json) {
    const std::vector<CliPhoto> photos = gatherPhotos(locations);
    std::vector<PhotoInfo> infos;
    infos.reserve(photos.size());
    bool allRead = true;
    for (const CliPhoto& photo : photos) {
        infos.push_back(describe(photo));
        allRead = allRead && infos.back().size.has_value();
    }
    if (json) {
        printJson(infos);
    } else {
        printText(infos);
    }
    if (photos.empty()) {
        std::fprintf(stderr, "ombrel-cli: No supported photos found\n");
        return 1;
    }
    if (!allRead) return 1;
    return 0;
}

}  // namespace ombrel::cli
