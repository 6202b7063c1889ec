#include "CliRun.h"

#include "TempDir.h"

#include <fcntl.h>
#include <pty.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

extern char** environ;

namespace ombrel::test {
namespace {

std::vector<char*> argvFor(std::vector<std::string>& args) {
    args.insert(args.begin(), OMBREL_CLI);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    return argv;
}

int exitStatus(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) throw std::runtime_error("waitpid failed");
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

CliResult runCli(const std::vector<std::string>& args) {
    TempDir capture;
    const std::string outFile = (capture / "out").string(), errFile = (capture / "err").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<std::string> copy = args;
    std::vector<char*> argv = argvFor(copy);
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, OMBREL_CLI, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) throw std::runtime_error("cannot start " OMBREL_CLI);
    CliResult result;
    result.status = exitStatus(pid);
    result.out = readFile(outFile);
    result.err = readFile(errFile);
    return result;
}

CliResult runCliOnTerminal(const std::vector<std::string>& args) {
    std::vector<std::string> copy = args;
    std::vector<char*> argv = argvFor(copy);
    winsize size{};
    size.ws_col = 120;
    size.ws_row = 40;
    int terminal = -1;
    const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, &size);
    if (pid < 0) throw std::runtime_error("forkpty failed");
    if (pid == 0) {
        ::execv(OMBREL_CLI, argv.data());
        ::_exit(127);
    }
    CliResult result;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(terminal, buffer, sizeof buffer);
        if (got > 0) {
            result.out.append(buffer, static_cast<std::size_t>(got));
        } else if (got < 0 && errno == EINTR) {
            continue;
        } else {
            break;  // EIO once the program has closed the terminal
        }
    }
    ::close(terminal);
    result.status = exitStatus(pid);
    return result;
}

}  // namespace ombrel::test
