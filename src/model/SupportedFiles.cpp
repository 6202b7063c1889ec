#include "SupportedFiles.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace ombrel {
namespace {

std::string lowerExtension(const std::filesystem::path& file) {
    std::string ext = file.extension().string();
    if (!ext.empty()) ext.erase(0, 1);  // the dot
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

template <typename Set>
bool contains(const Set& set, std::string_view ext) {
    return std::find(set.begin(), set.end(), ext) != set.end();
}

}  // namespace

bool isRawFile(const std::filesystem::path& file) {
    return contains(rawExts, lowerExtension(file));
}

bool isPhotoFile(const std::filesystem::path& file) {
    const std::string ext = lowerExtension(file);
    return contains(rawExts, ext) || contains(stdExts, ext);
}

}  // namespace ombrel
