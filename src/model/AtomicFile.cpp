#include "AtomicFile.h"

#include <cerrno>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace ombrel {
namespace {

// Opens a fresh, exclusive temporary file beside the target.
int createTemporary(const std::filesystem::path& target, std::filesystem::path& tmpPath) {
    thread_local std::mt19937_64 rng{std::random_device{}()};
    const std::string stem = temporaryStem(target);
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::string name = stem + std::to_string(rng() % 1000000000);
        tmpPath = target.parent_path() / name;
        const int fd = ::open(tmpPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

std::string temporaryStem(const std::filesystem::path& target) {
    constexpr std::size_t nameMax = 255, around = 1 + 5 + 9;  // ".", ".tmp-", the number
    std::string name = target.filename().string();
    if (name.size() > nameMax - around) {
        std::size_t keep = nameMax - around;
        while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) --keep;
        name.resize(keep);
    }
    return "." + name + ".tmp-";
}

bool writeFileAtomically(const std::filesystem::path& target, std::string_view bytes) {
    std::filesystem::path tmpPath;
    const int fd = createTemporary(target, tmpPath);
    if (fd < 0) return false;

    const bool written = writeAll(fd, bytes) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (written && closed && ::rename(tmpPath.c_str(), target.c_str()) == 0) return true;

    ::unlink(tmpPath.c_str());
    return false;
}

std::optional<std::string> readSmallFile(const std::filesystem::path& file, std::size_t maxBytes) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;

    std::optional<std::string> result;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
        static_cast<std::size_t>(info.st_size) <= maxBytes) {
        std::string bytes(static_cast<std::size_t>(info.st_size), '\0');
        std::size_t got = 0;
        bool ok = true;
        while (got < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                ok = n == 0;  // the file shrank while we read: keep what is there
                break;
            }
            got += static_cast<std::size_t>(n);
        }
        if (ok) {
            bytes.resize(got);
            result = std::move(bytes);
        }
    }
    ::close(fd);
    return result;
}

}  // namespace ombrel
