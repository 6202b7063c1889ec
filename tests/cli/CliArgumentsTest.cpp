#include "CliRun.h"
#include "TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace ombrel::test {
namespace {

using ::testing::HasSubstr;

TEST(CliArguments, VersionAndHelpSucceedOnStandardOutput) {
    const CliResult version = runCli({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("ombrel-cli ") + OMBREL_VERSION + "\n");

    const CliResult help = runCli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_THAT(help.out, HasSubstr("export"));
    EXPECT_THAT(help.out, HasSubstr("info"));

    // Help of a subcommand lists that subcommand's options.
    const CliResult exportHelp = runCli({"export", "--help"});
    EXPECT_EQ(exportHelp.status, 0);
    for (const char* option : {"--format", "--quality", "--long-edge", "--p3", "--template", "--out"})
        EXPECT_THAT(exportHelp.out, HasSubstr(option));
    const CliResult infoHelp = runCli({"info", "--help"});
    EXPECT_EQ(infoHelp.status, 0);
    EXPECT_THAT(infoHelp.out, HasSubstr("--json"));
}

// Each bad command line exits with 2, writes nothing, and names what was wrong.
TEST(CliArguments, BadArgumentsExitWithTwoNamingTheArgument) {
    TempDir dir;
    writeFile(dir / "a.jpg", "not really a photo");
    const std::string photo = (dir / "a.jpg").string();
    const std::string missing = (dir / "no-such-photo.jpg").string();
    struct Case {
        std::vector<std::string> args;
        std::string named;
    };
    const std::vector<Case> cases = {
        {{}, "subcommand"},
        {{"publish", photo}, "publish"},
        {{"export"}, "PATH"},
        {{"info"}, "PATH"},
        {{"export", "--quality", "1.5", photo}, "--quality"},
        {{"export", "--quality", "0.2", photo}, "--quality"},
        {{"export", "--quality", "high", photo}, "--quality"},
        {{"export", "--format", "gif", photo}, "--format"},
        {{"export", "--long-edge", "0", photo}, "--long-edge"},
        {{"export", "--long-edge", "wide", photo}, "--long-edge"},
        {{"export", "--bogus", photo}, "--bogus"},
        {{"export", missing}, "no-such-photo.jpg"},
        {{"info", "--json", missing}, "no-such-photo.jpg"},
    };
    for (const Case& c : cases) {
        const CliResult result = runCli(c.args);
        std::string line;
        for (const std::string& a : c.args) line += a + " ";
        SCOPED_TRACE(line);
        EXPECT_EQ(result.status, 2);
        EXPECT_THAT(result.err, HasSubstr(c.named));
        EXPECT_EQ(result.out, "");
    }
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"a.jpg"});  // nothing exported
}

TEST(CliArguments, FormatIsCaseInsensitive) {
    TempDir dir;
    writeFile(dir / "a.jpg", "not really a photo");
    // Accepted as an argument; the photo itself then fails, which is exit 1, not 2.
    const CliResult result = runCli({"export", "--format", "PNG", "--out", (dir / "out").string(), (dir / "a.jpg").string()});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "Exported 0, 1 failed: Could not decode a.jpg\n");
}

}  // namespace
}  // namespace ombrel::test
