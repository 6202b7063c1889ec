#include "PresetStore.h"

#include "model/AtomicFile.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace ombrel::PresetStore {
namespace {

std::optional<std::filesystem::path> absoluteFromEnv(const char* name) {
    const char* value = std::getenv(name);
    if (!value || !*value) return std::nullopt;
    std::filesystem::path path(value);
    // Relative values are invalid by the XDG rules and would depend on the
    // working folder of the moment.
    if (!path.is_absolute()) return std::nullopt;
    return path;
}

std::optional<std::filesystem::path> homeFolder() {
    if (auto home = absoluteFromEnv("HOME")) return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir && *entry->pw_dir) {
        std::filesystem::path path(entry->pw_dir);
        if (path.is_absolute()) return path;
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::filesystem::path> defaultFile() {
    std::optional<std::filesystem::path> data = absoluteFromEnv("XDG_DATA_HOME");
    if (!data) {
        const auto home = homeFolder();
        if (!home) return std::nullopt;
        data = *home / ".local" / "share";
    }
    return *data / "Ombrel" / "presets.json";
}

std::vector<Preset> read(const std::filesystem::path& file) {
    std::error_code ignored;
    std::filesystem::create_directories(file.parent_path(), ignored);
    const std::optional<std::string> bytes = readSmallFile(file, maxDocumentBytes);
    if (!bytes) return {};
    std::optional<std::vector<Preset>> presets = decodePresets(*bytes);
    return presets ? std::move(*presets) : std::vector<Preset>{};
}

bool write(const std::filesystem::path& file, const std::vector<Preset>& presets) {
    const std::optional<std::string> bytes = encodePresets(presets);
    return bytes && writeFileAtomically(file, *bytes);
}

}  // namespace ombrel::PresetStore
