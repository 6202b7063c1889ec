#pragma once

#include "library/AppModel.h"
#include "TempDir.h"
#include "TestData.h"

#include <QString>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace ombrel::test {

// Photos used where any small real photo will do.
inline constexpr const char* smallJpeg = "jpeg/cmyk_pil_sample_cmyk.jpg";          // 100 x 100
inline constexpr const char* smallPng = "png/pngsuite_basn2c16_rgb16.png";         // 32 x 32
inline constexpr const char* largeJpeg = "jpeg/canon_eos_rp_MG_0633.jpg";          // 4160 x 2768
inline constexpr const char* mediumJpeg = "jpeg/orientation_1_Landscape_1.jpg";    // 1800 x 1200

// Copies a test photo into `folder` under another name.
std::filesystem::path copyTestFileAs(const std::string& relative, const std::filesystem::path& folder,
                                     const std::string& name);

// Copies of test photos in a temporary folder: {source, name} each, or one
// source under several names.
struct PhotoFolder {
    TempDir dir;
    std::vector<std::filesystem::path> files;
    PhotoFolder(std::initializer_list<std::pair<const char*, const char*>> photos);
    PhotoFolder(const char* source, std::initializer_list<const char*> names);
};

// A clock that only moves when told to.
class ManualClock {
public:
    Clock clock() const {
        return [now = now_] { return *now; };
    }
    void advance(std::chrono::milliseconds by) { *now_ += by; }

private:
    std::shared_ptr<std::chrono::steady_clock::time_point> now_ =
        std::make_shared<std::chrono::steady_clock::time_point>(std::chrono::steady_clock::now());
};

// Opens `locations` and waits until the sidecars are applied and the first
// photo is current. False on timeout.
bool openAndWait(AppModel& model, const std::vector<std::filesystem::path>& locations);

// Waits until the current photo's preview decode has come back.
bool waitForLoad(AppModel& model);

// The index of the photo with this file name, for readable assertions.
Uuid idOf(const AppModel& model, const std::string& fileName);
std::vector<std::string> fileNames(const std::vector<Photo>& photos);

}  // namespace ombrel::test

// Skips the current Qt test when the shared photos are absent.
#define OMBREL_QSKIP_WITHOUT_TESTDATA()                                                  \
    do {                                                                                 \
        if (!::ombrel::test::testDataDir())                                              \
            QSKIP(::ombrel::test::missingTestDataMessage().c_str());                     \
    } while (0)
