#include "TempDir.h"
#include "TestData.h"

#include "imageio/ImageLoader.h"
#include "imageio/JpegCodec.h"
#include "services/LruCache.h"
#include "services/ThumbnailKey.h"
#include "services/ThumbnailStore.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>

namespace ombrel {
namespace {

using test::TempDir;

void setModificationTime(const std::filesystem::path& file, time_t seconds, long nanoseconds) {
    const timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
    ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
}

// The key is the 64-bit FNV-1a hash of the path and the shortest modification
// time, in lowercase hex; a modified file's new key is the store tests' part.
TEST(ThumbnailKey, HashesThePathAndTheShortestModificationTime) {
    // Published FNV-1a test vectors.
    EXPECT_EQ(fnv1a64(""), 0xcbf29ce484222325ull);
    EXPECT_EQ(fnv1a64("a"), 0xaf63dc4c8601ec8cull);
    EXPECT_EQ(fnv1a64("foobar"), 0x85944171f73967e8ull);

    TempDir dir;
    const auto file = dir / "a.jpg";
    test::writeFile(file, "x");
    setModificationTime(file, 1700000000, 250000000);
    EXPECT_EQ(thumbnailKeyText(file), file.string() + "|1700000000.25");
    setModificationTime(file, 1700000000, 0);
    EXPECT_EQ(thumbnailKeyText(file), file.string() + "|1700000000.0");
    EXPECT_EQ(thumbnailKeyText(dir / "missing.jpg"), (dir / "missing.jpg").string() + "|0.0");

    const std::string key = thumbnailKey(file);
    EXPECT_EQ(std::stoull(key, nullptr, 16), fnv1a64(thumbnailKeyText(file)));
    EXPECT_TRUE(key.find_first_not_of("0123456789abcdef") == std::string::npos && key.front() != '0') << key;
}

TEST(LruCache, ForgetsTheLeastRecentlyUsedOverBudget) {
    LruCache<int> cache(10);
    cache.insert("a", 1, 4);
    cache.insert("b", 2, 4);
    EXPECT_EQ(cache.find("a"), 1);  // a is now more recent than b
    cache.insert("c", 3, 4);
    EXPECT_EQ(cache.find("b"), std::nullopt);
    EXPECT_EQ(cache.find("a"), 1);
    EXPECT_EQ(cache.find("c"), 3);
    cache.insert("huge", 4, 100);
    EXPECT_EQ(cache.size(), 1u) << "the newest entry stays even over budget";
    cache.insert("huge", 5, 1);
    EXPECT_EQ(cache.find("huge"), 5);
}

// The loader's thumbnails, counted, so tests can see when the photo is decoded.
struct CountingSource {
    std::shared_ptr<std::atomic<int>> calls = std::make_shared<std::atomic<int>>(0);
    std::shared_ptr<std::atomic<int>> running = std::make_shared<std::atomic<int>>(0);
    std::shared_ptr<std::atomic<int>> peak = std::make_shared<std::atomic<int>>(0);

    std::optional<Bitmap8> operator()(const std::filesystem::path& file, int maxSide) const {
        ++*calls;
        const int now = ++*running;
        int seen = peak->load();
        while (now > seen && !peak->compare_exchange_weak(seen, now)) {
        }
        // Hold the slot a little so overlapping requests really overlap.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        auto result = ImageLoader::thumbnail(file, maxSide);
        --*running;
        return result;
    }
};

class ThumbnailStoreFiles : public ::testing::Test {
protected:
    void SetUp() override { OMBREL_REQUIRE_TESTDATA(); }
    TempDir photos;
    TempDir cache;
    CountingSource source;
};

// A cache file cut short (a crash mid-write) is not taken for a thumbnail with
// a grey bottom: the photo is decoded again and the file rewritten.
TEST_F(ThumbnailStoreFiles, PortraitPhotoGivesAnUprightThumbnailOverADamagedCacheFile) {
    const auto photo = test::copyTestFile("jpeg/orientation_6_Landscape_6.jpg", photos.path());
    ThumbnailStore store(cache.path(), source);
    const std::string whole = test::readFile(photo);
    test::writeFile(store.cacheFile(photo), whole.substr(0, whole.size() / 2));
    const auto thumb = store.image(photo).get();
    ASSERT_TRUE(thumb);
    EXPECT_EQ(std::pair(thumb->width(), thumb->height()), std::pair(320, 213));
    EXPECT_EQ(*source.calls, 1);
    EXPECT_TRUE(decodeJpegStrict(test::readFile(store.cacheFile(photo)))) << "the damaged file is overwritten";
}

TEST_F(ThumbnailStoreFiles, SecondRequestComesFromMemoryThenFromDiskUntilThePhotoChanges) {
    const auto photo = test::copyTestFile("jpeg/sony_slt_a57_DSC8833.jpg", photos.path());
    setModificationTime(photo, 1600000000, 0);
    ThumbnailStore store(cache.path(), source);
    const auto first = store.image(photo).get();
    ASSERT_TRUE(first);
    std::filesystem::remove(store.cacheFile(photo));
    EXPECT_EQ(store.image(photo).get(), first) << "same object, without touching the disk";
    EXPECT_EQ(*source.calls, 1);

    // A new run starts with empty memory: the cache file was removed, so the
    // photo is decoded once more and the file written again...
    ThumbnailStore secondRun(cache.path(), source);
    ASSERT_TRUE(secondRun.image(photo).get());
    EXPECT_EQ(*source.calls, 2);
    // ...and the run after that reads it instead of the photo.
    ThumbnailStore thirdRun(cache.path(), source);
    const auto fromDisk = thirdRun.image(photo).get();
    ASSERT_TRUE(fromDisk);
    EXPECT_EQ(*source.calls, 2);
    ASSERT_EQ(std::pair(fromDisk->width(), fromDisk->height()), std::pair(first->width(), first->height()));
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(fromDisk->pixel(100, 80)[c], first->pixel(100, 80)[c], 8) << "channel " << c;

    // A modified photo is decoded again into a new file; the old file stays.
    const auto oldFile = thirdRun.cacheFile(photo);
    setModificationTime(photo, 1600000100, 0);
    ASSERT_TRUE(thirdRun.image(photo).get());
    EXPECT_EQ(*source.calls, 3);
    EXPECT_NE(thirdRun.cacheFile(photo), oldFile);
    EXPECT_TRUE(std::filesystem::exists(oldFile) && std::filesystem::exists(thirdRun.cacheFile(photo)));
}

TEST_F(ThumbnailStoreFiles, NonImageGivesNothingAndNoCacheFile) {
    const auto fake = photos / "notes.jpg";
    test::writeFile(fake, "this is not a picture");
    ThumbnailStore store(cache.path(), source);
    EXPECT_EQ(store.image(fake).get(), nullptr);
    EXPECT_TRUE(cache.entries().empty());
    EXPECT_EQ(store.image(fake).get(), nullptr);
    EXPECT_EQ(*source.calls, 2) << "a failure is not remembered";
}

TEST_F(ThumbnailStoreFiles, NeverDecodesMoreThanThreeAtOnce) {
    std::vector<std::filesystem::path> files;
    for (int i = 0; i < 8; ++i) {
        const auto copy = photos / ("p" + std::to_string(i) + ".jpg");
        std::filesystem::copy_file(*test::testDataDir() / "jpeg/orientation_8_Landscape_8.jpg", copy);
        files.push_back(copy);
    }
    std::vector<std::future<ThumbnailStore::Thumbnail>> pending;
    {
        ThumbnailStore store(cache.path(), source);
        for (const auto& f : files) pending.push_back(store.image(f));
        for (auto& p : pending) {
            const auto thumb = p.get();
            ASSERT_TRUE(thumb);
            EXPECT_EQ(thumb->width(), 320) << "orientation 8 comes out upright";
        }
    }
    EXPECT_EQ(*source.calls, 8);
    EXPECT_LE(*source.peak, 3);
    EXPECT_GE(*source.peak, 2) << "requests do run side by side";
}

}  // namespace
}  // namespace ombrel
