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

    // Help of a subcommand lists that subcommand's options.
    const std::pair<std::vector<std::string>, std::vector<const char*>> helps[] = {
        {{"--help"}, {"export", "info"}},
        {{"export", "--help"}, {"--format", "--quality", "--long-edge", "--p3", "--template", "--out"}},
        {{"info", "--help"}, {"--json"}},
    };
    for (const auto& [args, mentions] : helps) {
        const CliResult help = runCli(args);
        EXPECT_EQ(help.status, 0) << args[0];
        for (const char* option : mentions) EXPECT_THAT(help.out, HasSubstr(option)) << args[0];
    }
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

}  // namespace
}  // namespace ombrel::test
