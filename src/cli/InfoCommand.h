#pragma once

#include <filesystem>
#include <vector>

namespace ombrel::cli {

// Prints, per photo listed from `locations`, its Info-block lines, upright
// pixel size, rating, flag and whether it is edited: as "label: value" lines
// under the path, or as a JSON array. Returns 0, or 1 when there was no photo
// or a photo's size could not be read.
int runInfo(const std::vector<std::filesystem::path>& locations, bool json);

}  // namespace ombrel::cli
