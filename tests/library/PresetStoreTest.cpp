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

// Which documents are unreadable is the preset format's test; here any of
// them, like a missing file, gives no presets.
TEST(PresetStore, ReadingCreatesTheFolderAndAMissingOrUnreadableFileGivesNone) {
    TempDir dir;
    const auto file = dir.path() / "a" / "b" / "presets.json";
    EXPECT_TRUE(PresetStore::read(file).empty());
    EXPECT_TRUE(std::filesystem::is_directory(file.parent_path()));
    test::writeFile(file, "[{\"id\":\"x\",\"name\":\"A\",\"settings\":{}}]");
    EXPECT_TRUE(PresetStore::read(file).empty());
}

TEST(PresetStore, WritesAndReadsBackLeavingNothingElse) {
    TempDir dir;
    const auto file = dir / "presets.json";
    const std::vector<Preset> presets{portrait(), {Uuid::generate(), "Portrait", EditSettings{}}};
    ASSERT_TRUE(PresetStore::write(file, presets));
    EXPECT_EQ(PresetStore::read(file), presets);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"presets.json"});
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
