#pragma once

#include "ExportFile.h"

#include <filesystem>
#include <string_view>

namespace ombrel {

// The names an export named `name` may take in `folder`, in order: name.ext,
// then name-1.ext, name-2.ext ... The exporter publishes under the first one
// free at the moment the finished file is moved, so nothing is ever replaced,
// and two photos of one batch with the same name get name and name-1.
NameCandidates numberedExportNames(const std::filesystem::path& folder, std::string_view name,
                                   std::string_view ext);

}  // namespace ombrel
