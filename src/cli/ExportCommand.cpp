#include "ExportCommand.h"

#include "CliPhotos.h"
#include "ProgressBar.h"

#include "services/ExportNaming.h"
#include "services/ExportSummary.h"
#include "services/Exporter.h"

#include <cstdio>
#include <string>
#include <system_error>

namespace ombrel::cli {

namespace fs = std::filesystem;

int runExport(const ExportRequest& request) {
    const std::vector<CliPhoto> photos = gatherPhotos(request.locations);
    if (photos.empty()) {
        std::fprintf(stderr, "ombrel-cli: No supported photos found\n");
        return 1;
    }

    fs::path folder;
    if (request.options.destination) {
        folder = *request.options.destination;
    } else {
        const fs::path parent = photos.front().file.parent_path();
        folder = (parent.empty() ? fs::path(".") : parent) / "Ombrel Export";
    }
    // Like the app: a folder that cannot be made shows up as every photo
    // failing to be written.
    std::error_code ignored;
    fs::create_directories(folder, ignored);

    const std::string_view extension = ext(request.options.format);
    const std::chrono::year_month_day today = Exporter::localToday();
    std::vector<std::string> failures;
    ProgressBar bar(stderr, static_cast<int>(photos.size()));
    for (std::size_t i = 0; i < photos.size(); ++i) {
        const CliPhoto& photo = photos[i];
        bar.update(static_cast<int>(i), photo.file.filename().string());
        const std::string name = Exporter::fileName(request.options.nameTemplate, photo.file, static_cast<int>(i),
                                                    photo.sidecar.rating, today);
        if (std::optional<ExportError> error = Exporter::exportPhoto(
                photo.file, photo.sidecar.settings, request.options, numberedExportNames(folder, name, extension))) {
            bar.clear();
            std::fprintf(stderr, "ombrel-cli: %s\n", error->message.c_str());
            failures.push_back(error->message);
        }
    }
    bar.update(static_cast<int>(photos.size()), "");
    bar.clear();

    std::printf("%s\n", exportSummary(static_cast<int>(photos.size()), failures).c_str());
    return failures.empty() ? 0 : 1;
}

}  // namespace ombrel::cli
