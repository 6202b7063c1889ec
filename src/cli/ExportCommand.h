#pragma once

#include "services/ExportOptions.h"

#include <filesystem>
#include <optional>
#include <vector>

namespace ombrel::cli {

struct ExportRequest {
    std::vector<std::filesystem::path> locations;
    ExportOptions options;  // destination absent: beside the first photo
};

// Exports every photo of the request one after another, as the app's export
// batch does, printing the summary on stdout and each failure on stderr.
// Returns the exit status: 0 when every photo was written, else 1.
int runExport(const ExportRequest& request);

}  // namespace ombrel::cli
