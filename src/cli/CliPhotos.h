#pragma once

#include "model/Sidecar.h"

#include <filesystem>
#include <vector>

namespace ombrel::cli {

// One photo as the app would hold it after opening: its file and what its
// sidecar says (defaults, rating 0 and no flag when it has none or it does
// not decode).
struct CliPhoto {
    std::filesystem::path file;
    Sidecar sidecar;
};

// The photos among `locations` (folders and files), listed and ordered as
// opening them in the app would, each with its sidecar read.
std::vector<CliPhoto> gatherPhotos(const std::vector<std::filesystem::path>& locations);

}  // namespace ombrel::cli
