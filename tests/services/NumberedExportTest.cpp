// Batches number their file names; the chosen name must still be free when
// the finished file lands on it.
#include "TempDir.h"
#include "services/ExportFile.h"
#include "services/NoReplaceMove.h"
#include "services/PendingFile.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace ombrel {
namespace {

using test::TempDir;

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
