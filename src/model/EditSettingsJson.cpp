#include "EditSettingsJson.h"

namespace ombrel {

using strictjson::Json;

namespace {

Json toJson(const CurvePoints& points) {
    Json out = Json::array();
    for (const CurvePoint& p : points) out.push_back({{"x", p.x}, {"y", p.y}});
    return out;
}

Json toJson(const RawOptions& raw) {
    Json out = Json::object();
    if (raw.appleBoost) out["appleBoost"] = *raw.appleBoost;
    if (raw.colorNR) out["colorNR"] = *raw.colorNR;
    if (raw.lensProfile) out["lensProfile"] = *raw.lensProfile;
    if (raw.lumNR) out["lumNR"] = *raw.lumNR;
    if (raw.moire) out["moire"] = *raw.moire;
    return out;
}

double numberAt(const Json& object, std::string_view key) {
    return strictjson::number(strictjson::member(object, key));
}

bool booleanAt(const Json& object, std::string_view key) {
    return strictjson::boolean(strictjson::member(object, key));
}

CurvePoints decodeCurve(const Json& json) {
    CurvePoints points;
    for (const Json& p : strictjson::array(json)) {
        points.push_back({numberAt(p, "x"), numberAt(p, "y")});
    }
    return points;
}

std::vector<double> decodeBands(const Json& json) {
    const Json& values = strictjson::array(json);
    // Rendering indexes eight bands; any other length is a damaged file.
    if (values.size() != hslBandCount) throw strictjson::DecodeError{};
    std::vector<double> out;
    out.reserve(hslBandCount);
    for (const Json& v : values) out.push_back(strictjson::number(v));
    return out;
}

CropSettings decodeCrop(const Json& json) {
    CropSettings crop;
    crop.x = numberAt(json, "x");
    crop.y = numberAt(json, "y");
    crop.w = numberAt(json, "w");
    crop.h = numberAt(json, "h");
    crop.angle = numberAt(json, "angle");
    crop.quarterTurns = strictjson::integer(strictjson::member(json, "quarterTurns"));
    crop.flipH = booleanAt(json, "flipH");
    crop.flipV = booleanAt(json, "flipV");
    crop.aspect = strictjson::string(strictjson::member(json, "aspect"));
    crop.aspectSwapped = booleanAt(json, "aspectSwapped");
    return crop;
}

RawOptions decodeRaw(const Json& json) {
    RawOptions raw;
    if (const Json* v = strictjson::optionalMember(json, "lumNR")) raw.lumNR = strictjson::number(*v);
    if (const Json* v = strictjson::optionalMember(json, "colorNR")) raw.colorNR = strictjson::number(*v);
    if (const Json* v = strictjson::optionalMember(json, "moire")) raw.moire = strictjson::number(*v);
    if (const Json* v = strictjson::optionalMember(json, "lensProfile")) raw.lensProfile = strictjson::boolean(*v);
    if (const Json* v = strictjson::optionalMember(json, "appleBoost")) raw.appleBoost = strictjson::boolean(*v);
    return raw;
}

}  // namespace

Json toJson(const EditSettings& s) {
    // nlohmann's object keeps its members sorted, which is the order we write.
    return Json{
        {"exposure", s.exposure},
        {"contrast", s.contrast},
        {"highlights", s.highlights},
        {"shadows", s.shadows},
        {"whites", s.whites},
        {"blacks", s.blacks},
        {"temperature", s.temperature},
        {"tint", s.tint},
        {"vibrance", s.vibrance},
        {"saturation", s.saturation},
        {"curves",
         {{"master", toJson(s.curves.master)},
          {"red", toJson(s.curves.red)},
          {"green", toJson(s.curves.green)},
          {"blue", toJson(s.curves.blue)}}},
        {"hsl", {{"hue", s.hsl.hue}, {"sat", s.hsl.sat}, {"lum", s.hsl.lum}}},
        {"sharpAmount", s.sharpAmount},
        {"sharpRadius", s.sharpRadius},
        {"lumNR", s.lumNR},
        {"colorNR", s.colorNR},
        {"vignette", s.vignette},
        {"distortion", s.distortion},
        {"crop",
         {{"x", s.crop.x},
          {"y", s.crop.y},
          {"w", s.crop.w},
          {"h", s.crop.h},
          {"angle", s.crop.angle},
          {"quarterTurns", s.crop.quarterTurns},
          {"flipH", s.crop.flipH},
          {"flipV", s.crop.flipV},
          {"aspect", s.crop.aspect},
          {"aspectSwapped", s.crop.aspectSwapped}}},
        {"raw", toJson(s.raw)},
    };
}

EditSettings decodeEditSettings(const Json& json) {
    EditSettings s;
    s.exposure = numberAt(json, "exposure");
    s.contrast = numberAt(json, "contrast");
    s.highlights = numberAt(json, "highlights");
    s.shadows = numberAt(json, "shadows");
    s.whites = numberAt(json, "whites");
    s.blacks = numberAt(json, "blacks");
    s.temperature = numberAt(json, "temperature");
    s.tint = numberAt(json, "tint");
    s.vibrance = numberAt(json, "vibrance");
    s.saturation = numberAt(json, "saturation");

    const Json& curves = strictjson::member(json, "curves");
    s.curves.master = decodeCurve(strictjson::member(curves, "master"));
    s.curves.red = decodeCurve(strictjson::member(curves, "red"));
    s.curves.green = decodeCurve(strictjson::member(curves, "green"));
    s.curves.blue = decodeCurve(strictjson::member(curves, "blue"));

    const Json& hsl = strictjson::member(json, "hsl");
    s.hsl.hue = decodeBands(strictjson::member(hsl, "hue"));
    s.hsl.sat = decodeBands(strictjson::member(hsl, "sat"));
    s.hsl.lum = decodeBands(strictjson::member(hsl, "lum"));

    s.sharpAmount = numberAt(json, "sharpAmount");
    s.sharpRadius = numberAt(json, "sharpRadius");
    s.lumNR = numberAt(json, "lumNR");
    s.colorNR = numberAt(json, "colorNR");
    s.vignette = numberAt(json, "vignette");
    s.distortion = numberAt(json, "distortion");
    s.crop = decodeCrop(strictjson::member(json, "crop"));
    s.raw = decodeRaw(strictjson::member(json, "raw"));
    return s;
}

std::optional<EditSettings> editSettingsFromJson(const Json& json) {
    try {
        return decodeEditSettings(json);
    } catch (const strictjson::DecodeError&) {
        return std::nullopt;
    }
}

}  // namespace ombrel
