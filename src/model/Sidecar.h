#pragma once

#include "EditSettings.h"
#include "Flag.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace ombrel {

// A photo's edit, rating and flag, stored as JSON beside the photo. The photo
// file itself is never written.
struct Sidecar {
    std::int64_t version = 1;  // always written as 1 by the app; not checked on read
    EditSettings settings;
    int rating = 0;
    Flag flag = Flag::none;

    bool operator==(const Sidecar&) const = default;

    // beach.jpg -> beach.jpg.umbrix.json, in the same folder.
    static std::filesystem::path pathFor(const std::filesystem::path& photo);

    // Writes the sidecar atomically, or deletes it when the photo is back to
    // default settings, rating 0 and no flag. Failures are silent: the
    // previous file, if any, stays as it was.
    static void write(const Sidecar& sidecar, const std::filesystem::path& photo);

    // Nothing when the file is missing, unreadable, too large or malformed.
    static std::optional<Sidecar> read(const std::filesystem::path& photo);

    // Pretty-printed with sorted members; nothing for non-finite numbers.
    static std::optional<std::string> encode(const Sidecar& sidecar);
    static std::optional<Sidecar> decode(std::string_view bytes);
};

}  // namespace ombrel
