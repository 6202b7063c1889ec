#include "services/ExportNaming.h"
#include "services/ExportSummary.h"

#include <gtest/gtest.h>

namespace ombrel {
namespace {

namespace fs = std::filesystem;

TEST(NumberedExportNames, PlainNameFirstThenNumbersFromOne) {
    const NameCandidates names = numberedExportNames("/o", "IMG_1", "jpg");
    EXPECT_EQ(names(0), fs::path("/o/IMG_1.jpg"));
    EXPECT_EQ(names(1), fs::path("/o/IMG_1-1.jpg"));
    EXPECT_EQ(names(11), fs::path("/o/IMG_1-11.jpg"));
    EXPECT_EQ(names(-1), std::nullopt);
}

TEST(ExportSummary, CountsWithPluralOnlyWhenNotOneAndShowsOnlyTheFirstFailure) {
    EXPECT_EQ(exportSummary(1, {}), "Exported 1 photo");
    EXPECT_EQ(exportSummary(0, {}), "Exported 0 photos");
    EXPECT_EQ(exportSummary(5, {"Could not decode a.jpg", "Cannot write b.jpg"}),
              "Exported 3, 2 failed: Could not decode a.jpg");
    EXPECT_EQ(exportSummary(1, {"Render failed for c.dng"}), "Exported 0, 1 failed: Render failed for c.dng");
}

}  // namespace
}  // namespace ombrel
