#include "NoReplaceMove.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace ombrel {
namespace {

// The filesystem (or kernel) lacks the operation, as opposed to refusing it.
bool unsupported(int error) { return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == EPERM; }

MoveResult failure(int error) { return error == EEXIST ? MoveResult::nameTaken : MoveResult::failed; }

}  // namespace

MoveResult moveByClaim(const std::filesystem::path& from, const std::filesystem::path& to) {
    const int fd = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return failure(errno);
    ::close(fd);
    // The name is ours now; replacing our own empty claim is safe.
    if (::rename(from.c_str(), to.c_str()) == 0) return MoveResult::moved;
    ::unlink(to.c_str());
    return MoveResult::failed;
}

MoveResult moveByLink(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (::link(from.c_str(), to.c_str()) != 0) {
        const int error = errno;
        return unsupported(error) ? moveByClaim(from, to) : failure(error);
    }
    ::unlink(from.c_str());
    return MoveResult::moved;
}

MoveResult moveWithoutReplacing(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return MoveResult::moved;
    const int error = errno;
    return unsupported(error) ? moveByLink(from, to) : failure(error);
}

}  // namespace ombrel
