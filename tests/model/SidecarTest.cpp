#include "Samples.h"
#include "TempDir.h"

#include "model/JsonStrict.h"
#include "model/Sidecar.h"

#include <gtest/gtest.h>

#include <cmath>

// Sidecars name only the fields a test changes; the others keep their defaults.

namespace ombrel {
namespace {

using nlohmann::ordered_json;
using test::TempDir;

// Member order as it stands in the text, checked at every level.
void expectSortedMembers(const ordered_json& json, const std::string& where = "top") {
    if (json.is_object()) {
        std::string previous;
        for (const auto& [key, value] : json.items()) {
            EXPECT_LT(previous, key) << "in " << where;
            previous = key;
            expectSortedMembers(value, key);
        }
    } else if (json.is_array()) {
        for (const auto& element : json) expectSortedMembers(element, where + "[]");
    }
}

// A valid sidecar document to damage in the decoding tests.
nlohmann::json validDocument() {
    return nlohmann::json::parse(*Sidecar::encode(Sidecar{.rating = 2}));
}

TEST(SidecarFormat, WritesEveryMemberSortedAtEveryLevelAndPretty) {
    const auto json = nlohmann::json::parse(*Sidecar::encode(Sidecar{.rating = 3}));
    EXPECT_EQ(json["flag"], "none");
    EXPECT_EQ(json["rating"], 3);
    EXPECT_EQ(json["version"], 1);
    const auto& settings = json["settings"];
    EXPECT_EQ(settings.size(), 20u);
    EXPECT_EQ(settings["sharpRadius"], 1.0);
    EXPECT_EQ(settings["crop"].size(), 10u);
    EXPECT_EQ(settings["crop"]["aspect"], "Free");
    EXPECT_TRUE(settings["crop"]["quarterTurns"].is_number_integer());
    EXPECT_EQ(settings["curves"]["red"], nlohmann::json::parse(R"([{"x":0,"y":0},{"x":1,"y":1}])"));
    EXPECT_EQ(settings["hsl"]["sat"], nlohmann::json(std::vector<double>(8, 0.0)));
    EXPECT_EQ(settings["raw"], nlohmann::json::object());

    const auto text = Sidecar::encode({1, test::fullyEditedSettings(), 4, Flag::pick});
    ASSERT_TRUE(text);
    EXPECT_NE(text->find('\n'), std::string::npos);
    const auto edited = ordered_json::parse(*text);
    expectSortedMembers(edited);
    EXPECT_EQ(edited.begin().key(), "flag");
    EXPECT_EQ(edited["settings"]["raw"].size(), 5u);
}

// Any member missing (nullopt) or of the wrong type, at any level, rejects the
// whole sidecar.
TEST(SidecarDecoding, DamageAnywhereRejectsTheWholeSidecar) {
    using Damage = std::pair<std::string, std::optional<nlohmann::json>>;
    const Damage damages[] = {
        {"/flag", {}}, {"/rating", {}}, {"/version", {}}, {"/settings", {}}, {"/settings/vignette", {}},
        {"/settings/curves", {}}, {"/settings/raw", {}}, {"/settings/crop/aspect", {}},
        {"/settings/crop/quarterTurns", {}}, {"/settings/curves/red", {}}, {"/settings/hsl/lum", {}},
        {"/settings/curves/master/1/y", {}},
        {"/settings/exposure", "0.5"}, {"/settings/exposure", true}, {"/settings/exposure", nullptr},
        {"/rating", 2.5}, {"/rating", "2"}, {"/rating", 4294967296.0} /* does not fit a rating */, {"/version", 1.5},
        {"/settings/crop/quarterTurns", 0.5}, {"/settings/crop/flipH", 0}, {"/settings/crop/aspect", 1},
        {"/settings/curves/master", nlohmann::json::object()}, {"/settings/curves/master/0/x", "0"},
        {"/settings/hsl/hue/3", "0"}, {"/settings/raw", nlohmann::json::array()}, {"/settings/raw/lumNR", "0.2"},
        {"/settings/raw/appleBoost", 1}, {"/flag", "Pick"}, {"/flag", "picked"}, {"/flag", 1},
        // HSL lists hold exactly eight values
        {"/settings/hsl/sat", std::vector<double>(7, 0.0)}, {"/settings/hsl/sat", std::vector<double>(9, 0.0)},
    };
    for (const auto& [pointer, value] : damages) {
        auto doc = validDocument();
        const nlohmann::json::json_pointer at(pointer);
        if (value) doc[at] = *value;
        else doc[at.parent_pointer()].erase(at.back());
        EXPECT_EQ(Sidecar::decode(doc.dump()), std::nullopt) << pointer << " = " << (value ? value->dump() : "none");
    }
    for (const char* bytes : {"", "{", "[]", "null", "42", "{\"flag\":\"none\"}", "\xff\xfe"}) {
        EXPECT_EQ(Sidecar::decode(bytes), std::nullopt) << bytes;
    }
}

TEST(SidecarDecoding, ToleratesWhatTheFormatAllows) {
    auto doc = validDocument();
    doc["version"] = 7;
    doc["rating"] = 3.0;  // a whole number written as a fraction is still an Int
    doc["settings"]["raw"] = {{"lumNR", 0.4}, {"lensProfile", nullptr}};
    doc["extra"] = {1, 2};
    doc["settings"]["future"] = "x";
    doc["settings"]["crop"]["note"] = nullptr;
    doc["settings"]["curves"]["master"][0]["weight"] = 2;
    doc["settings"]["hsl"]["extra"] = {1};
    doc["settings"]["raw"]["other"] = true;

    const auto sidecar = Sidecar::decode(doc.dump());
    ASSERT_TRUE(sidecar);
    EXPECT_EQ(sidecar->version, 7);
    EXPECT_EQ(sidecar->rating, 3);
    EXPECT_EQ(sidecar->settings.raw.lumNR, 0.4);
    EXPECT_EQ(sidecar->settings.raw.lensProfile, std::nullopt);
    EXPECT_EQ(sidecar->settings.raw.moire, std::nullopt);
}

class SidecarFiles : public ::testing::Test {
protected:
    TempDir dir;
    std::filesystem::path photo = dir / "IMG_0001.JPG";
    std::filesystem::path sidecarPath = Sidecar::pathFor(photo);
};

TEST_F(SidecarFiles, WriteThenReadGivesTheSameSidecarEvenUnderALongPhotoName) {
    const Sidecar original{1, test::fullyEditedSettings(), 2, Flag::pick};
    Sidecar::write(original, photo);
    EXPECT_EQ(Sidecar::read(photo), original);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"IMG_0001.JPG.umbrix.json"}) << "the full photo name, extended";

    const Sidecar replaced{.rating = 1};
    Sidecar::write(replaced, photo);
    EXPECT_EQ(Sidecar::read(photo), replaced);
    EXPECT_EQ(dir.entries().size(), 1u) << "no temporary files left behind";

    // 243 bytes: the sidecar's name fits in 255, its temporary's would not.
    const auto longPhoto = dir / (std::string(239, 'x') + ".JPG");
    Sidecar::write(original, longPhoto);
    EXPECT_EQ(Sidecar::read(longPhoto), original);
}

TEST_F(SidecarFiles, ReturningToDefaultsDeletesTheSidecar) {
    Sidecar::write(Sidecar{.rating = 1}, photo);
    ASSERT_TRUE(std::filesystem::exists(sidecarPath));
    Sidecar::write(Sidecar{}, photo);
    EXPECT_FALSE(std::filesystem::exists(sidecarPath));

    Sidecar::write(Sidecar{}, photo);  // nothing to delete: no error, nothing created
    EXPECT_TRUE(dir.entries().empty());

    Sidecar::write({.flag = Flag::reject}, photo);
    EXPECT_TRUE(std::filesystem::exists(sidecarPath)) << "a flag alone keeps the sidecar";
}

// A missing or malformed file, or a folder in the sidecar's place, means no
// sidecar; what is there is left alone.
TEST_F(SidecarFiles, MalformedMissingOrFolderMeansNoSidecarAndIsLeftAlone) {
    EXPECT_EQ(Sidecar::read(photo), std::nullopt);

    auto doc = validDocument();
    doc["settings"].erase("vignette");
    test::writeFile(sidecarPath, doc.dump());
    EXPECT_EQ(Sidecar::read(photo), std::nullopt) << "the rating in it does not survive";
    EXPECT_EQ(test::readFile(sidecarPath), doc.dump());

    std::filesystem::remove(sidecarPath);
    std::filesystem::create_directory(sidecarPath);
    test::writeFile(sidecarPath / "keep", "x");
    Sidecar::write(Sidecar{.rating = 2}, photo);
    EXPECT_TRUE(std::filesystem::is_directory(sidecarPath));
    EXPECT_EQ(Sidecar::read(photo), std::nullopt);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"IMG_0001.JPG.umbrix.json"});
}

TEST_F(SidecarFiles, OversizedFileIsRejectedUnread) {
    const std::string valid = *Sidecar::encode(Sidecar{.rating = 4});
    test::writeFile(sidecarPath, valid + std::string(4 * 1024 * 1024 - valid.size(), ' '));
    EXPECT_TRUE(Sidecar::read(photo)) << "exactly 4 MiB is still read";
    test::writeFile(sidecarPath, valid + std::string(4 * 1024 * 1024 - valid.size() + 1, ' '));
    EXPECT_EQ(Sidecar::read(photo), std::nullopt);
}

TEST_F(SidecarFiles, NonFiniteSettingsCannotBeEncodedAndKeepThePreviousFile) {
    Sidecar::write(Sidecar{.rating = 3}, photo);
    const std::string before = test::readFile(sidecarPath);
    for (void (*spoil)(EditSettings&) : {+[](EditSettings& s) { s.contrast = std::nan(""); },
                                         +[](EditSettings& s) { s.curves.master[1].y = INFINITY; }}) {
        Sidecar broken{.rating = 3};
        spoil(broken.settings);
        EXPECT_EQ(Sidecar::encode(broken), std::nullopt);
        Sidecar::write(broken, photo);
    }
    EXPECT_EQ(test::readFile(sidecarPath), before);
}

}  // namespace
}  // namespace ombrel
