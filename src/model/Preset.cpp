#include "Preset.h"

#include "EditSettingsJson.h"

namespace ombrel {

using strictjson::Json;

std::optional<std::string> encodePresets(const std::vector<Preset>& presets) {
    Json json = Json::array();
    for (const Preset& p : presets) {
        json.push_back({{"id", p.id.toString()}, {"name", p.name}, {"settings", toJson(p.settings)}});
    }
    if (!strictjson::allNumbersFinite(json)) return std::nullopt;
    return json.dump();
}

std::optional<std::vector<Preset>> decodePresets(std::string_view bytes) {
    try {
        const Json json = strictjson::parse(bytes);
        std::vector<Preset> presets;
        for (const Json& element : strictjson::array(json)) {
            const auto id = Uuid::parse(strictjson::string(strictjson::member(element, "id")));
            if (!id) return std::nullopt;
            presets.push_back({*id, strictjson::string(strictjson::member(element, "name")),
                               decodeEditSettings(strictjson::member(element, "settings"))});
        }
        return presets;
    } catch (const strictjson::DecodeError&) {
        return std::nullopt;
    }
}

}  // namespace ombrel
