#include "TempDir.h"
#include "services/NoReplaceMove.h"
#include "services/PendingFile.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace ombrel {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;

using Move = MoveResult (*)(const std::filesystem::path&, const std::filesystem::path&);

class NoReplaceMoves : public ::testing::TestWithParam<Move> {};

TEST_P(NoReplaceMoves, MovesOntoAFreeNameOnlyAndNeedsASource) {
    TempDir dir;
    writeFile(dir / ".tmp", "new");
    writeFile(dir / "a.jpg", "theirs");
    EXPECT_EQ(GetParam()(dir / ".tmp", dir / "a.jpg"), MoveResult::nameTaken);
    EXPECT_EQ(readFile(dir / "a.jpg"), "theirs");
    EXPECT_EQ(GetParam()(dir / ".tmp", dir / "b.jpg"), MoveResult::moved);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"a.jpg", "b.jpg"}));
    EXPECT_EQ(readFile(dir / "b.jpg"), "new");
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
