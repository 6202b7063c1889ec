#include "CliRun.h"
#include "TempDir.h"
#include "TestData.h"

#include "imageio/ImageLoader.h"
#include "model/Sidecar.h"
#include "services/ExifReader.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>

namespace ombrel::test {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

const std::vector<std::string> infoPhotos = {
    // Listed in this order: file-browser order of the names.
    "jpeg/canon_eos_rp_MG_0633.jpg",
    "raw/canon_powershot_s40_crop_from_CRW_0117.dng",
    "heic/iphone_xr_IMG_3578.heic",
    "jpeg/orientation_6_Landscape_6.jpg",
};

Json exifJson(const fs::path& photo) {
    Json lines = Json::array();
    for (const auto& [label, value] : ExifReader::read(photo)) lines.push_back(Json::array({label, value}));
    return lines;
}

// The same folder as JSON, then as text for two of its photos named out of order.
TEST(CliInfo, JsonHasTheMembersInOrderWithTheAppsValuesAndTextOneLabelledLineEach) {
    OMBREL_REQUIRE_TESTDATA();
    TempDir dir;
    for (auto it = infoPhotos.rbegin(); it != infoPhotos.rend(); ++it) copyTestFile(*it, dir.path());
    const fs::path jpeg = dir / "canon_eos_rp_MG_0633.jpg";
    const fs::path turned = dir / "orientation_6_Landscape_6.jpg";
    const fs::path heic = dir / "iphone_xr_IMG_3578.heic";
    Sidecar sidecar;
    sidecar.rating = 4;
    sidecar.flag = Flag::pick;
    sidecar.settings.contrast = 10;
    Sidecar::write(sidecar, jpeg);
    // Rating and flag only: not edited.
    Sidecar::write(Sidecar{1, EditSettings{}, 2, Flag::reject}, turned);
    writeFile(Sidecar::pathFor(heic), "not json");  // counts as no sidecar

    const CliResult result = runCli({"info", "--json", dir.path().string()});
    ASSERT_EQ(result.status, 0) << result.err;
    const Json array = Json::parse(result.out);
    ASSERT_TRUE(array.is_array());
    ASSERT_EQ(array.size(), infoPhotos.size());

    const std::vector<std::string> members = {"path", "width", "height", "rating", "flag", "edited", "exif"};
    const Json sidecars[] = {{4, "pick", true}, {0, "none", false}, {0, "none", false}, {2, "reject", false}};
    for (std::size_t i = 0; i < infoPhotos.size(); ++i) {
        const Json& entry = array[i];
        const fs::path photo = dir / fs::path(infoPhotos[i]).filename();
        SCOPED_TRACE(photo.string());
        std::vector<std::string> keys;
        for (const auto& item : entry.items()) keys.push_back(item.key());
        EXPECT_EQ(keys, members);
        EXPECT_EQ(entry["path"], photo.string());
        const auto size = ImageLoader::pixelSize(photo);
        ASSERT_TRUE(size);
        EXPECT_EQ(Json({entry["width"], entry["height"]}),
                  Json({std::llround(size->width), std::llround(size->height)}));
        EXPECT_EQ(entry["exif"], exifJson(photo));
        EXPECT_FALSE(entry["exif"].empty());
        // The camera photos name their camera first; the derived one has its size at least.
        EXPECT_EQ(entry["exif"][0][0], i < 3 ? "Camera" : "Size");
        EXPECT_EQ(Json({entry["rating"], entry["flag"], entry["edited"]}), sidecars[i]);
    }

    const CliResult text = runCli({"info", turned.string(), jpeg.string()});
    ASSERT_EQ(text.status, 0) << text.err;
    const auto size = ImageLoader::pixelSize(jpeg);
    ASSERT_TRUE(size);
    std::string expected = jpeg.string() + "\n";
    for (const auto& [label, value] : ExifReader::read(jpeg)) expected += label + ": " + value + "\n";
    expected += "Width: " + std::to_string(std::llround(size->width)) + "\n" +
                "Height: " + std::to_string(std::llround(size->height)) + "\n" +
                "Rating: 4\nFlag: pick\nEdited: yes\n";
    // Sorted by name: canon_... before orientation_..., a blank line between.
    ASSERT_TRUE(text.out.starts_with(expected)) << text.out;
    EXPECT_TRUE(text.out.substr(expected.size()).starts_with("\n" + turned.string() + "\n"));
    EXPECT_TRUE(text.out.ends_with("Rating: 2\nFlag: reject\nEdited: no\n"));
}

TEST(CliInfo, UnreadablePhotoIsListedWithoutSizeAndFails) {
    TempDir dir;
    writeFile(dir / "broken.jpg", "not a photo");
    const CliResult result = runCli({"info", "--json", (dir / "broken.jpg").string()});
    EXPECT_EQ(result.status, 1);
    const Json array = Json::parse(result.out);
    ASSERT_EQ(array.size(), 1u);
    EXPECT_TRUE(array[0]["width"].is_null() && array[0]["height"].is_null());
    EXPECT_EQ(array[0]["exif"], Json::array());
}

}  // namespace
}  // namespace ombrel::test
