#include "library/PresetStore.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace ombrel {
namespace {

using test::TempDir;

// Sets an environment variable for one test and puts the old value back.
class EnvVar {
public:
    EnvVar(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        set(value);
    }
    ~EnvVar() { set(old_ ? old_->c_str() : nullptr); }

private:
    void set(const char* value) const { value ? ::setenv(name_, value, 1) : ::unsetenv(name_); }

    const char* name_;
    std::optional<std::string> old_;
};

Preset portrait() {
    EditSettings s;
    s.exposure = 0.5;
    s.vibrance = 12;
    return {Uuid::generate(), "Portrait", s};
}

TEST(PresetStoreLocation, FollowsXdgDataHomeAndFallsBackToTheHomeFolderWhenUnsetOrRelative) {
    EnvVar home("HOME", "/home/someone");
    {
        EnvVar data("XDG_DATA_HOME", "/srv/data");
        EXPECT_EQ(PresetStore::defaultFile(), std::filesystem::path("/srv/data/Ombrel/presets.json"));
    }
    for (const char* value : {static_cast<const char*>(nullptr), "", "relative/data"}) {
        EnvVar data("XDG_DATA_HOME", value);
        EXPECT_EQ(PresetStore::defaultFile(), std::filesystem::path("/home/someone/.local/share/Ombrel/presets.json"));
    }
}

TEST(PresetStore, ReadingCreatesTheFolderAndAMissingFileGivesNone) {
    TempDir dir;
    const auto file = dir.path() / "a" / "b" / "presets.json";
    EXPECT_TRUE(PresetStore::read(file).empty());
    EXPECT_TRUE(std::filesystem::is_directory(file.parent_path()));
}

TEST(PresetStore, WritesCompactlyAndReadsBack) {
    TempDir dir;
    const auto file = dir / "presets.json";
    const std::vector<Preset> presets{portrait(), {Uuid::generate(), "Portrait", EditSettings{}}};
    ASSERT_TRUE(PresetStore::write(file, presets));
    EXPECT_EQ(PresetStore::read(file), presets);
    const std::string bytes = test::readFile(file);
    EXPECT_EQ(bytes.find('\n'), std::string::npos);
    EXPECT_EQ(bytes.find(": "), std::string::npos);
    // Nothing but the file itself is left in the folder.
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"presets.json"});
}

TEST(PresetStore, OneBadEntrySpoilsTheWholeFile) {
    TempDir dir;
    const auto file = dir / "presets.json";
    ASSERT_TRUE(PresetStore::write(file, {portrait(), portrait()}));
    std::string bytes = test::readFile(file);
    const auto name = bytes.rfind("\"name\":\"Portrait\",");
    ASSERT_NE(name, std::string::npos);
    bytes.erase(name, std::string("\"name\":\"Portrait\",").size());
    test::writeFile(file, bytes);
    EXPECT_TRUE(PresetStore::read(file).empty());

    for (const char* junk : {"", "{}", "[", "not json", "[{\"id\":\"x\",\"name\":\"A\",\"settings\":{}}]"}) {
        test::writeFile(file, junk);
        EXPECT_TRUE(PresetStore::read(file).empty()) << junk;
    }
    test::writeFile(file, "[]");
    EXPECT_TRUE(PresetStore::read(file).empty());
}

TEST(PresetStore, AFailedWriteKeepsTheOldFile) {
    TempDir dir;
    const auto file = dir / "presets.json";
    ASSERT_TRUE(PresetStore::write(file, {portrait()}));
    const std::string before = test::readFile(file);
    EXPECT_FALSE(PresetStore::write(dir / "missing" / "presets.json", {portrait()}));
    Preset broken = portrait();
    broken.settings.exposure = NAN;
    EXPECT_FALSE(PresetStore::write(file, {broken}));
    EXPECT_EQ(test::readFile(file), before);
}

}  // namespace
}  // namespace ombrel
