#include "TempDir.h"
#include "services/ExportFile.h"
#include "services/ExportNaming.h"
#include "services/ExportSummary.h"
#include "services/Exporter.h"
#include "services/NoReplaceMove.h"
#include "services/PendingFile.h"

#include <gtest/gtest.h>

#include <ctime>
#include <unistd.h>

namespace ombrel {
namespace {

using namespace std::chrono;
namespace fs = std::filesystem;
using test::TempDir;

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

// Batches number their file names; the chosen name must still be free when
// the finished file lands on it.
NameCandidates numbered(const std::filesystem::path& folder, int limit = 1000) {
    return [folder, limit](int k) -> std::optional<std::filesystem::path> {
        if (k > limit) return std::nullopt;
        return folder / (k == 0 ? std::string("IMG.jpg") : "IMG-" + std::to_string(k) + ".jpg");
    };
}

TEST(FirstFreeName, SkipsFilesAndDanglingLinks) {
    TempDir dir;
    test::writeFile(dir / "IMG.jpg", "x");
    ASSERT_EQ(::symlink("nowhere", (dir / "IMG-1.jpg").c_str()), 0);
    int attempt = 0;
    EXPECT_EQ(firstFreeName(numbered(dir.path()), attempt), dir / "IMG-2.jpg");
    EXPECT_EQ(attempt, 2);
    attempt = 0;
    EXPECT_EQ(firstFreeName(numbered(dir.path(), 1), attempt), std::nullopt);
}

// Another program takes the name between our look and our move: the file
// goes to the next number and theirs stays as it is.
TEST(PublishFirstFree, ANameTakenMeanwhileMovesOnToTheNextNumber) {
    TempDir dir;
    int attempt = 0;
    const auto looked = firstFreeName(numbered(dir.path()), attempt);
    ASSERT_EQ(looked, dir / "IMG.jpg");
    auto file = PendingFile::create(*looked);
    ASSERT_TRUE(file);
    ASSERT_EQ(::write(file->fd(), "ours", 4), 4);
    ASSERT_TRUE(file->finish());
    test::writeFile(dir / "IMG.jpg", "theirs");
    test::writeFile(dir / "IMG-1.jpg", "theirs too");

    std::filesystem::path chosen;
    EXPECT_EQ(publishFirstFree(*file, numbered(dir.path()), attempt, chosen), MoveResult::moved);
    EXPECT_EQ(chosen, dir / "IMG-2.jpg");
    EXPECT_EQ(test::readFile(dir / "IMG-2.jpg"), "ours");
    EXPECT_EQ(test::readFile(dir / "IMG.jpg"), "theirs");
    EXPECT_EQ(test::readFile(dir / "IMG-1.jpg"), "theirs too");
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"IMG-1.jpg", "IMG-2.jpg", "IMG.jpg"}));
}

TEST(PublishFirstFree, NoNameLeftFailsAndLeavesNothingOfOurs) {
    TempDir dir;
    test::writeFile(dir / "IMG.jpg", "theirs");
    {
        auto file = PendingFile::create(dir / "IMG.jpg");
        ASSERT_TRUE(file);
        ASSERT_TRUE(file->finish());
        std::filesystem::path chosen;
        EXPECT_EQ(publishFirstFree(*file, numbered(dir.path(), 0), 0, chosen), MoveResult::nameTaken);
    }
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"IMG.jpg"});
}

using Move = MoveResult (*)(const std::filesystem::path&, const std::filesystem::path&);

class NoReplaceMoves : public ::testing::TestWithParam<Move> {};

TEST_P(NoReplaceMoves, MovesOntoAFreeNameOnlyAndNeedsASource) {
    TempDir dir;
    test::writeFile(dir / ".tmp", "new");
    test::writeFile(dir / "a.jpg", "theirs");
    EXPECT_EQ(GetParam()(dir / ".tmp", dir / "a.jpg"), MoveResult::nameTaken);
    EXPECT_EQ(test::readFile(dir / "a.jpg"), "theirs");
    EXPECT_EQ(GetParam()(dir / ".tmp", dir / "b.jpg"), MoveResult::moved);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"a.jpg", "b.jpg"}));
    EXPECT_EQ(test::readFile(dir / "b.jpg"), "new");
    EXPECT_EQ(GetParam()(dir / ".tmp", dir / "c.jpg"), MoveResult::failed) << "the source has gone";
    EXPECT_EQ(dir.entries().size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Ways, NoReplaceMoves, ::testing::Values(&moveWithoutReplacing, &moveByLink, &moveByClaim));

TEST(PendingFile, IsHiddenBesideItsNameAndRemovedUnlessPublished) {
    TempDir dir;
    {
        auto file = PendingFile::create(dir / "a.jpg");
        ASSERT_TRUE(file);
        EXPECT_EQ(file->path().parent_path(), dir.path());
        EXPECT_EQ(file->path().filename().string().rfind(".a.jpg.", 0), 0u);
        ASSERT_EQ(::write(file->fd(), "abc", 3), 3);
        EXPECT_EQ(dir.entries().size(), 1u);
    }
    EXPECT_TRUE(dir.entries().empty());
}

}  // namespace
}  // namespace ombrel
