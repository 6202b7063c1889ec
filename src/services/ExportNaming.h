#pragma once

#include <filesystem>
#include <functional>
#include <string_view>

namespace ombrel {

// Where an export named `name` with extension `ext` goes in `folder` without
// replacing anything there: folder/name.ext, else folder/name-1.ext,
// folder/name-2.ext, ... the first that `exists` says is free. Asked just
// before each photo is written, so two photos of one batch with the same name
// get name and name-1.
std::filesystem::path freeExportPath(const std::filesystem::path& folder, std::string_view name,
                                     std::string_view ext,
                                     const std::function<bool(const std::filesystem::path&)>& exists);

// The same against the file system.
std::filesystem::path freeExportPath(const std::filesystem::path& folder, std::string_view name,
                                     std::string_view ext);

}  // namespace ombrel
