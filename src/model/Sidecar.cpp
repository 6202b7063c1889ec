#include "Sidecar.h"

#include "AtomicFile.h"
#include "EditSettingsJson.h"

#include <limits>
#include <system_error>

namespace ombrel {

using strictjson::Json;

std::filesystem::path Sidecar::pathFor(const std::filesystem::path& photo) {
    std::filesystem::path sidecar = photo;
    sidecar += ".umbrix.json";
    return sidecar;
}

std::optional<std::string> Sidecar::encode(const Sidecar& sidecar) {
    const Json json{
        {"version", sidecar.version},
        {"settings", toJson(sidecar.settings)},
        {"rating", sidecar.rating},
        {"flag", flagTexts.text(sidecar.flag)},
    };
    if (!strictjson::allNumbersFinite(json)) return std::nullopt;
    return json.dump(2) + "\n";
}

std::optional<Sidecar> Sidecar::decode(std::string_view bytes) {
    try {
        const Json json = strictjson::parse(bytes);
        Sidecar sidecar;
        sidecar.version = strictjson::integer(strictjson::member(json, "version"));
        sidecar.settings = decodeEditSettings(strictjson::member(json, "settings"));
        const std::int64_t rating = strictjson::integer(strictjson::member(json, "rating"));
        if (rating < std::numeric_limits<int>::min() || rating > std::numeric_limits<int>::max()) {
            return std::nullopt;
        }
        sidecar.rating = static_cast<int>(rating);
        const auto flag = flagTexts.fromText(strictjson::string(strictjson::member(json, "flag")));
        if (!flag) return std::nullopt;
        sidecar.flag = *flag;
        return sidecar;
    } catch (const strictjson::DecodeError&) {
        return std::nullopt;
    }
}

void Sidecar::write(const Sidecar& sidecar, const std::filesystem::path& photo) {
    const std::filesystem::path path = pathFor(photo);
    if (sidecar.settings.isDefault() && sidecar.rating == 0 && sidecar.flag == Flag::none) {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
        return;
    }
    if (const auto bytes = encode(sidecar)) writeFileAtomically(path, *bytes);
}

std::optional<Sidecar> Sidecar::read(const std::filesystem::path& photo) {
    const auto bytes = readSmallFile(pathFor(photo), maxDocumentBytes);
    if (!bytes) return std::nullopt;
    return decode(*bytes);
}

}  // namespace ombrel
