#include "services/ExportNaming.h"
#include "services/ExportSummary.h"
#include "services/Exporter.h"

#include <gtest/gtest.h>

#include <ctime>

namespace ombrel {
namespace {

using namespace std::chrono;
namespace fs = std::filesystem;

TEST(ExportFileName, TemplatesExpandEachToken) {
    struct Case {
        const char* templ;
        const char* photo;
        int index, rating;
        const char* expected;
        const char* why;
    };
    const Case cases[] = {
        {"", "/photos/IMG_0001.CR3", 0, 0, "IMG_0001", "empty template: the base name"},
        {"", "/photos/pano.final.jpg", 0, 0, "pano.final", "only the last extension goes"},
        {"{name}_{n}", "/p/IMG_0001.CR3", 0, 0, "IMG_0001_001", "numbers are one-based, three digits"},
        {"{name}_{n}", "/p/IMG_0001.CR3", 999, 0, "IMG_0001_1000", "and grow beyond three"},
        {"{n}-{n} {rating}{rating}", "/p/a.jpg", 2, 4, "003-003 44", "every occurrence is replaced"},
        {"{name}-{rating}", "/p/a.jpg", 0, 0, "a-0", "unrated gives zero"},
        {"{date}: {name}", "/p/IMG_1.jpg", 0, 0, "2024-03-07_ IMG_1", "colons become underscores"},
        {"a/b:c/{name}", "/p/12:30.jpg", 0, 0, "a_b_c_12_30", "slashes too, in the name as well"},
        {"{name}", "/p/shot{n}_{date}_{rating}.jpg", 4, 3, "shot005_2024-03-07_3", "later tokens reach the name"},
        {"{name}", "/p/{name}.jpg", 0, 0, "{name}", "the name's own {name} is not expanded again"},
        {"  {name} ({n}) {unknown} \\ ", "/p/a b.jpg", 0, 0, "  a b (001) {unknown} \\ ", "nothing else changes"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Exporter::fileName(c.templ, c.photo, c.index, c.rating, year_month_day{year(2024), month(3), day(7)}),
                  c.expected)
            << c.why;
    }
    EXPECT_EQ(Exporter::fileName("{date}", "/p/a.jpg", 0, 0, year_month_day{year(987), month(12), day(31)}),
              "0987-12-31");
}

TEST(ExportFileName, TodayIsTheLocalDate) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char expected[16];
    std::strftime(expected, sizeof expected, "%Y-%m-%d", &local);
    EXPECT_EQ(Exporter::fileName("{date}", "/p/a.jpg", 0, 0), expected);  // (fails only if the test straddles midnight)
}

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
