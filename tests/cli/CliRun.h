#pragma once

#include <string>
#include <vector>

namespace ombrel::test {

struct CliResult {
    int status = -1;  // exit status; -1 when it did not exit normally
    std::string out, err;
};

// Runs ombrel-cli with `args`, standard output and error captured apart
// (neither is a terminal).
CliResult runCli(const std::vector<std::string>& args);

// Runs it with standard output and error on one pseudo-terminal; returns
// everything written there.
CliResult runCliOnTerminal(const std::vector<std::string>& args);

}  // namespace ombrel::test
