#include "CliPhotos.h"

#include "library/PhotoListing.h"

namespace ombrel::cli {

std::vector<CliPhoto> gatherPhotos(const std::vector<std::filesystem::path>& locations) {
    std::vector<CliPhoto> photos;
    for (std::filesystem::path& file : listPhotos(locations).files) {
        std::optional<Sidecar> sidecar = Sidecar::read(file);
        photos.push_back({std::move(file), sidecar.value_or(Sidecar{})});
    }
    return photos;
}

}  // namespace ombrel::cli
