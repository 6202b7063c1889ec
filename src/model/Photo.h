#pragma once

#include "Flag.h"
#include "Uuid.h"

#include <filesystem>

namespace ombrel {

// One open photo file. `id` lives only while the program runs; rating and flag
// are read from and written to the photo's sidecar.
struct Photo {
    Uuid id;
    std::filesystem::path url;
    int rating = 0;  // 0 = unrated, 1...5 stars
    Flag flag = Flag::none;

    bool operator==(const Photo&) const = default;
};

}  // namespace ombrel
