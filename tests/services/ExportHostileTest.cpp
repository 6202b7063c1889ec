// Batches into destinations that fight back end in the summary's error text,
// never with a file replaced, a partial file left or a file outside the folder.
#include "ExportReadBack.h"
#include "SmallDisk.h"
#include "TempDir.h"
#include "TestData.h"
#include "services/ExportNaming.h"
#include "services/ExportSummary.h"
#include "services/Exporter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <functional>
#include <optional>
#include <sys/resource.h>
#include <sys/fsuid.h>
#include <unistd.h>

namespace ombrel {
namespace {

namespace fs = std::filesystem;
using test::SmallDisk;
using test::TempDir;

// The batch as the model runs it, with a hook before each photo.
std::string runBatch(const std::vector<fs::path>& photos, const std::string& nameTemplate, const fs::path& folder,
                     const std::function<void(std::size_t)>& beforePhoto) {
    ExportOptions options;
    options.nameTemplate = nameTemplate;
    std::vector<std::string> failures;
    for (std::size_t i = 0; i < photos.size(); ++i) {
        beforePhoto(i);
        const std::string name = Exporter::fileName(nameTemplate, photos[i], static_cast<int>(i), 0);
        if (auto error = Exporter::exportPhoto(photos[i], EditSettings{}, options,
                                               numberedExportNames(folder, name, "jpg"))) {
            failures.push_back(error->message);
        }
    }
    return exportSummary(static_cast<int>(photos.size()), failures);
}

struct Hostile {
    const char* name;
    std::string nameTemplate;
    bool smallDisk = false;
    // Sets the destination up; false when this machine cannot.
    std::function<bool(const fs::path& dest)> prepare;
    std::string summary;               // a regular expression
    std::vector<std::string> written;  // new files in the destination
    // Around the batch, in this process: a limit set and taken back.
    std::function<void()> enter = [] {}, leave = [] {};
};

TEST(ExportHostile, EveryFailureEndsInTheSummaryAndLeavesNothingBehind) {
    OMBREL_REQUIRE_TESTDATA();
    // 253 bytes with the extension for a.png, 256 for b123.png.
    const std::string longName(248, 'x');
    const auto readOnly = [](const fs::path& dest) {
        fs::permissions(dest.parent_path(), fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
        fs::permissions(dest, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                                  fs::perms::others_exec);
        return true;
    };
    // Root ignores folder permissions; with another file system user this
    // thread checks them like anyone else.
    const auto asOrdinaryUser = [] {
        setfsgid(65534);
        setfsuid(65534);
    };
    const auto asBefore = [] {
        setfsuid(getuid());
        setfsgid(getgid());
    };
    const auto ready = [](const fs::path&) { return true; };
    const std::vector<Hostile> cases{
        {"vanished destination", "{name}", false, [](const fs::path& d) { return fs::remove_all(d) > 0; },
         "Exported 0, 2 failed: Cannot write a\\.jpg", {}},
        {"read-only destination", "{name}", false, readOnly, "Exported 0, 2 failed: Cannot write a\\.jpg", {},
         asOrdinaryUser, asBefore},
        {"source deleted mid-batch", "{name}", false, ready, "Exported 1, 1 failed: Could not decode b123\\.png",
         {"a.jpg"}},
        {"slashes, dots and colons", "../{name}:..", false, ready, "Exported 2 photos",
         {".._a_...jpg", ".._b123_...jpg"}},
        {"control characters", "\t{name}\n\x1b", false, ready, "Exported 2 photos",
         {"\ta\n\x1b.jpg", "\tb123\n\x1b.jpg"}},
        {"names over 255 bytes", longName + "{name}", false, ready,
         "Exported 1, 1 failed: Cannot write x+b123\\.jpg", {longName + "a.jpg"}},
        {"full disk", "{name}", true,
         [](const fs::path& d) {
             test::fillDisk(d / "filler");
             return true;
         },
         "Exported 0, 2 failed: (Cannot write|Could not finish) a\\.jpg", {"filler"}},
        {"file size capped", "{name}", false, ready, "Exported 0, 2 failed: Could not finish a\\.jpg", {},
         [] {
             std::signal(SIGXFSZ, SIG_IGN);
             const rlimit limit{256, RLIM_INFINITY};
             setrlimit(RLIMIT_FSIZE, &limit);
         },
         [] {
             const rlimit limit{RLIM_INFINITY, RLIM_INFINITY};
             setrlimit(RLIMIT_FSIZE, &limit);
             std::signal(SIGXFSZ, SIG_DFL);
         }},
    };
    for (const Hostile& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir root;
        const fs::path sources = root / "sources", dest = root / "out";
        fs::create_directories(sources);
        fs::create_directories(dest);
        const std::vector<fs::path> photos{sources / "a.png", sources / "b123.png"};
        fs::rename(test::copyTestFile("png/pngsuite_basn2c16_rgb16.png", sources), photos[0]);
        fs::copy_file(photos[0], photos[1]);
        std::optional<SmallDisk> disk;
        if (c.smallDisk && !disk.emplace(dest).mounted()) {
            std::cout << c.name << ": mounting is not permitted here; the size cap covers full disks\n";
            continue;
        }
        // A taken name: never replaced.
        test::writeFile(dest / "b123.jpg", "someone else's");
        const auto before = test::namesBelow(root.path());
        ASSERT_TRUE(c.prepare(dest));
        c.enter();
        const std::string summary = runBatch(photos, c.nameTemplate, dest, [&](std::size_t i) {
            if (c.name == std::string("source deleted mid-batch") && i == 1) fs::remove(photos[1]);
        });
        c.leave();
        if (fs::exists(dest)) fs::permissions(dest, fs::perms::owner_all);

        EXPECT_THAT(summary, ::testing::MatchesRegex(c.summary));
        std::vector<std::string> expected = before;
        if (fs::exists(dest)) {
            EXPECT_EQ(test::readFile(dest / "b123.jpg"), "someone else's");
        } else {
            std::erase_if(expected, [](const std::string& name) { return name.starts_with("out"); });
        }
        for (const auto& name : c.written) expected.push_back("out/" + name);
        if (c.name == std::string("source deleted mid-batch")) std::erase(expected, "sources/b123.png");
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(test::namesBelow(root.path()), expected);
        for (const auto& name : c.written) {
            EXPECT_TRUE(name == "filler" || test::readJpeg(dest / name)) << name;
        }
    }
}

}  // namespace
}  // namespace ombrel
