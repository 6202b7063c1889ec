#include "library/PhotoListing.h"

#include "TempDir.h"

#include <gtest/gtest.h>

using namespace ombrel;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> names(const std::vector<fs::path>& files) {
    std::vector<std::string> out;
    for (const auto& f : files) out.push_back(f.filename().string());
    return out;
}

}  // namespace

TEST(PhotoListing, SortsDigitRunsByValueAndIgnoresCase) {
    std::vector<fs::path> files{"/x/IMG_10.jpg", "/x/img_9.jpg", "/y/IMG_100.jpg", "/x/a.jpg", "/x/IMG_2.jpg",
                                "/x/B.jpg"};
    sortByFileName(files);
    EXPECT_EQ(names(files),
              (std::vector<std::string>{"a.jpg", "B.jpg", "IMG_2.jpg", "img_9.jpg", "IMG_10.jpg", "IMG_100.jpg"}));
}

TEST(PhotoListing, EqualNamesKeepTheirOrderAcrossFolders) {
    std::vector<fs::path> files{"/b/Same.JPG", "/a/z.jpg", "/a/same.jpg", "/c/SAME.jpg"};
    sortByFileName(files);
    EXPECT_EQ(files, (std::vector<fs::path>{"/b/Same.JPG", "/a/same.jpg", "/c/SAME.jpg", "/a/z.jpg"}));
}

// Entries are judged by name, one folder deep, hidden ones skipped; the last
// folder given names the listing even when it holds no photos.
TEST(PhotoListing, ListsPhotosByNameSkipsWhatIsHiddenAndNamesTheLastFolder) {
    test::TempDir dir;
    for (const char* name : {"a.CR2", "b.heif", ".c.jpg", "d.tif", "e.jpg.umbrix.json", "f"}) {
        test::writeFile(dir / name, "");
    }
    fs::create_directory(dir / "folder.png");  // a folder with a photo's name counts
    fs::create_directory(dir / "sub");
    test::writeFile(dir / "sub" / "g.jpg", "");

    PhotoListing listing = listPhotos({dir.path(), dir / "absent"});
    EXPECT_EQ(names(listing.files), (std::vector<std::string>{"a.CR2", "b.heif", "folder.png"}));
    EXPECT_EQ(listing.folderName.toStdString(), dir.path().filename().string());

    listing = listPhotos({dir / "sub", dir / "folder.png/"});
    EXPECT_EQ(names(listing.files), std::vector<std::string>{"g.jpg"});
    EXPECT_EQ(listing.folderName.toStdString(), "folder.png");

    listing = listPhotos({dir / "f", dir / "missing"});
    EXPECT_TRUE(listing.files.empty());
    EXPECT_TRUE(listing.folderName.isEmpty());
}
