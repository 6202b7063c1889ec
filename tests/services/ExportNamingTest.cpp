#include "services/ExportNaming.h"
#include "services/ExportSummary.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <set>

namespace ombrel {
namespace {

namespace fs = std::filesystem;

TEST(FreeExportPath, TakesTheNameItselfWhenFree) {
    test::TempDir dir;
    EXPECT_EQ(freeExportPath(dir.path(), "IMG_1", "jpg"), dir / "IMG_1.jpg");
}

TEST(FreeExportPath, NumbersFromOneUpPastTakenNames) {
    test::TempDir dir;
    test::writeFile(dir / "IMG_1.jpg", "x");
    EXPECT_EQ(freeExportPath(dir.path(), "IMG_1", "jpg"), dir / "IMG_1-1.jpg");
    test::writeFile(dir / "IMG_1-1.jpg", "x");
    EXPECT_EQ(freeExportPath(dir.path(), "IMG_1", "jpg"), dir / "IMG_1-2.jpg");
    // Another format's file does not take the name.
    EXPECT_EQ(freeExportPath(dir.path(), "IMG_1", "tif"), dir / "IMG_1.tif");
}

TEST(FreeExportPath, AGapIsFilledAndNumbersGoPastNine) {
    std::set<fs::path> taken{"/o/a.png", "/o/a-2.png"};
    auto exists = [&](const fs::path& p) { return taken.count(p) > 0; };
    EXPECT_EQ(freeExportPath("/o", "a", "png", exists), fs::path("/o/a-1.png"));
    taken = {"/o/a.png"};
    for (int k = 1; k <= 10; ++k) taken.insert("/o/a-" + std::to_string(k) + ".png");
    EXPECT_EQ(freeExportPath("/o", "a", "png", exists), fs::path("/o/a-11.png"));
}

TEST(FreeExportPath, ADanglingLinkTakesTheName) {
    test::TempDir dir;
    fs::create_symlink(dir / "nowhere", dir / "a.jpg");
    EXPECT_EQ(freeExportPath(dir.path(), "a", "jpg"), dir / "a-1.jpg");
}

TEST(ExportSummary, CountsWithPluralOnlyWhenNotOne) {
    EXPECT_EQ(exportSummary(1, {}), "Exported 1 photo");
    EXPECT_EQ(exportSummary(2, {}), "Exported 2 photos");
    EXPECT_EQ(exportSummary(0, {}), "Exported 0 photos");
}

TEST(ExportSummary, FailuresShowSucceededFailedAndOnlyTheFirstMessage) {
    EXPECT_EQ(exportSummary(5, {"Could not decode a.jpg", "Cannot write b.jpg"}),
              "Exported 3, 2 failed: Could not decode a.jpg");
    EXPECT_EQ(exportSummary(1, {"Render failed for c.dng"}), "Exported 0, 1 failed: Render failed for c.dng");
}

}  // namespace
}  // namespace ombrel
