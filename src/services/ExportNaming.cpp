#include "ExportNaming.h"

#include <string>
#include <system_error>

namespace ombrel {

namespace fs = std::filesystem;

fs::path freeExportPath(const fs::path& folder, std::string_view name, std::string_view ext,
                        const std::function<bool(const fs::path&)>& exists) {
    const std::string dotExt = "." + std::string(ext);
    fs::path candidate = folder / (std::string(name) + dotExt);
    for (long k = 1; exists(candidate); ++k) {
        candidate = folder / (std::string(name) + "-" + std::to_string(k) + dotExt);
    }
    return candidate;
}

fs::path freeExportPath(const fs::path& folder, std::string_view name, std::string_view ext) {
    return freeExportPath(folder, name, ext, [](const fs::path& file) {
        // A dangling link still takes the name: writing there would follow it.
        std::error_code error;
        return fs::exists(fs::symlink_status(file, error));
    });
}

}  // namespace ombrel
