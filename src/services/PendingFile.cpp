#include "PendingFile.h"

#include "model/AtomicFile.h"

#include <cerrno>
#include <fcntl.h>
#include <random>
#include <string>
#include <unistd.h>

namespace ombrel {

std::optional<PendingFile> PendingFile::create(const std::filesystem::path& dest) {
    thread_local std::mt19937_64 rng{std::random_device{}()};
    const std::string stem = temporaryStem(dest);
    for (int attempt = 0; attempt < 16; ++attempt) {
        std::filesystem::path path = dest.parent_path() / (stem + std::to_string(rng() % 1000000000));
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) return PendingFile(std::move(path), dest, fd);
        if (errno != EEXIST) return std::nullopt;
    }
    return std::nullopt;
}

PendingFile::PendingFile(PendingFile&& other) noexcept
    : path_(std::move(other.path_)), dest_(std::move(other.dest_)), fd_(other.fd_), published_(other.published_) {
    other.fd_ = -1;
    other.published_ = true;  // the moved-from object owns nothing to remove
}

PendingFile::~PendingFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!published_) ::unlink(path_.c_str());
}

bool PendingFile::finish() {
    if (fd_ < 0) return false;
    const bool synced = ::fsync(fd_) == 0;
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    return synced && closed;
}

MoveResult PendingFile::publish() { return publishAs(dest_); }

MoveResult PendingFile::publishAs(const std::filesystem::path& dest) {
    if (published_) return MoveResult::failed;
    const MoveResult result = moveWithoutReplacing(path_, dest);
    if (result == MoveResult::moved) published_ = true;
    return result;
}

}  // namespace ombrel
