// Saves interrupted by SIGKILL, a full disk or a read-only folder must leave
// every sidecar, the presets file and the thumbnail cache whole.
#include "SmallDisk.h"
#include "TempDir.h"

#include "library/PresetStore.h"
#include "model/AtomicFile.h"
#include "model/Sidecar.h"
#include "services/ThumbnailStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iostream>
#include <random>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ombrel {
namespace {

namespace fs = std::filesystem;
using test::SmallDisk;
using test::TempDir;

Sidecar sidecarVersion(int rating, double exposure) {
    Sidecar s;
    s.rating = rating;
    s.settings.exposure = exposure;
    s.settings.contrast = rating * 7;
    s.flag = rating > 2 ? Flag::pick : Flag::none;
    return s;
}

// Many presets make the file large enough that a kill often lands mid-write.
std::vector<Preset> presetsVersion(int count, double exposure) {
    std::vector<Preset> presets;
    for (int i = 0; i < count; ++i) {
        Preset p{Uuid::generate(), "Preset " + std::to_string(i), {}};
        p.settings.exposure = exposure;
        p.settings.saturation = i % 100;
        presets.push_back(p);
    }
    return presets;
}

// Hidden temporaries a killed writer left behind; removed, and counted.
int removeTemporaries(const fs::path& folder) {
    int found = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with('.') && name.find(".tmp-") != std::string::npos) {
            fs::remove(entry.path());
            ++found;
        }
    }
    return found;
}

int killRounds() {
    const char* env = std::getenv("OMBREL_STRESS_KILLS");
    return env && *env ? std::atoi(env) : 500;
}

TEST(CrashSafety, KilledSaverLeavesEverySidecarAndThePresetsOldOrNew) {
    TempDir dir;
    const std::array photos{dir / "a.jpg", dir / "b.jpg"};
    const fs::path presetsFile = dir / "presets.json";
    const std::array sidecars{sidecarVersion(1, 0.5), sidecarVersion(5, -1.25)};
    const std::array presets{presetsVersion(3, 0.25), presetsVersion(400, 1.5)};
    // Kill at a random moment within about one pass of the saver, timed here
    // on the first pass, which also gives every file its old content.
    const auto start = std::chrono::steady_clock::now();
    for (const auto& photo : photos) Sidecar::write(sidecars[0], photo);
    ASSERT_TRUE(PresetStore::write(presetsFile, presets[0]));
    const auto pass = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);

    std::mt19937 rng(std::random_device{}());
    std::uniform_int_distribution<long> delayUs(0, std::max<long>(200, pass.count() * 3 / 2));
    int midWrite = 0;
    const int rounds = killRounds();
    for (int round = 0; round < rounds; ++round) {
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (::write(ready[1], "x", 1) != 1) _exit(1);
            for (unsigned v = round % 2;; v = 1 - v) {
                for (const auto& photo : photos) Sidecar::write(sidecars[v], photo);
                PresetStore::write(presetsFile, presets[v]);
            }
        }
        close(ready[1]);
        char byte = 0;
        ASSERT_EQ(read(ready[0], &byte, 1), 1) << "round " << round;
        close(ready[0]);
        usleep(static_cast<useconds_t>(delayUs(rng)));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "round " << round;

        for (const auto& photo : photos) {
            const auto got = Sidecar::read(photo);
            ASSERT_TRUE(got && (*got == sidecars[0] || *got == sidecars[1])) << photo << " after round " << round;
        }
        const auto bytes = readSmallFile(presetsFile, maxDocumentBytes);
        const auto got = bytes ? decodePresets(*bytes) : std::nullopt;
        ASSERT_TRUE(got && (*got == presets[0] || *got == presets[1])) << "presets after round " << round;
        midWrite += removeTemporaries(dir.path()) > 0;
    }
    std::cout << "kills survived: " << rounds << ", of which mid-write: " << midWrite << '\n';
    EXPECT_GT(midWrite, 0) << "no kill landed while a file was being written";
}

// --- Full disk and read-only folder ---------------------------------------

// A fixed picture, so thumbnails need no decoder.
std::optional<Bitmap8> flatPicture(const fs::path&, int) {
    Bitmap8 picture(64, 48);
    std::memset(picture.data(), 0x5a, 64 * 48 * 3);
    return picture;
}

struct Hostile {
    const char* name;
    // Runs in the parent before the child writes.
    std::function<void(const fs::path& folder)> prepare;
    std::function<void()> inChild;
};

TEST(CrashSafety, FullDiskAndReadOnlyFolderKeepEveryExistingFileWhole) {
    const std::vector<Hostile> cases{
        {"full tmpfs", [](const fs::path& folder) { test::fillDisk(folder / "filler"); }, [] {}},
        {"file size capped",
         [](const fs::path&) {},
         [] {
             std::signal(SIGXFSZ, SIG_IGN);
             const rlimit limit{64, 64};
             setrlimit(RLIMIT_FSIZE, &limit);
         }},
        {"read-only folder",
         [](const fs::path& folder) {
             for (const auto& f : {folder, folder / "thumbs"})
                 fs::permissions(f, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                                        fs::perms::others_exec);
         },
         [] {
             // Root ignores folder permissions: write as an ordinary user.
             if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
         }},
    };
    for (const Hostile& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const fs::path folder = dir / "disk";
        const SmallDisk disk(folder);
        if (std::string(c.name) == "full tmpfs" && !disk.mounted()) {
            std::cout << "full tmpfs: mounting is not permitted here; the size cap covers full disks\n";
            continue;
        }
        fs::create_directories(folder / "thumbs");
        const fs::path photo = folder / "a.jpg", other = folder / "b.jpg", presetsFile = folder / "presets.json";
        test::writeFile(photo, "photo a");
        test::writeFile(other, "photo b");
        Sidecar::write(sidecarVersion(2, 0.5), photo);
        ASSERT_TRUE(PresetStore::write(presetsFile, presetsVersion(2, 0.5)));
        fs::path cached;
        {
            ThumbnailStore store(folder / "thumbs", flatPicture);
            ASSERT_TRUE(store.image(photo).get());
            cached = store.cacheFile(photo);
        }
        const std::array before{test::readFile(Sidecar::pathFor(photo)), test::readFile(presetsFile),
                                test::readFile(cached)};
        const auto namesBefore = test::namesBelow(folder);
        c.prepare(folder);

        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            c.inChild();
            Sidecar::write(sidecarVersion(5, -2), photo);
            Sidecar::write(sidecarVersion(4, 1), other);
            PresetStore::write(presetsFile, presetsVersion(300, 1));
            ThumbnailStore store(folder / "thumbs", flatPicture);
            store.image(photo).get();
            store.image(other).get();
            _exit(0);
        }
        int status = 0;
        waitpid(child, &status, 0);
        fs::remove(folder / "filler");
        for (const auto& f : {folder, folder / "thumbs"}) fs::permissions(f, fs::perms::owner_all);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

        EXPECT_EQ(test::readFile(Sidecar::pathFor(photo)), before[0]);
        EXPECT_EQ(test::readFile(presetsFile), before[1]);
        EXPECT_EQ(test::readFile(cached), before[2]);
        EXPECT_EQ(test::namesBelow(folder), namesBefore) << "no new, partial or temporary file";
    }
}

}  // namespace
}  // namespace ombrel
