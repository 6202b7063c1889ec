#include "ExportNaming.h"

#include <string>

namespace ombrel {

NameCandidates numberedExportNames(const std::filesystem::path& folder, std::string_view name,
                                   std::string_view ext) {
    return [folder, name = std::string(name),
            dotExt = "." + std::string(ext)](int attempt) -> std::optional<std::filesystem::path> {
        if (attempt < 0) return std::nullopt;
        if (attempt == 0) return folder / (name + dotExt);
        return folder / (name + "-" + std::to_string(attempt) + dotExt);
    };
}

}  // namespace ombrel
