#pragma once

#include "NoReplaceMove.h"

#include <filesystem>
#include <optional>

namespace ombrel {

// A file being written under a hidden temporary name in the folder of its
// final name, so that a failed or interrupted write never leaves a damaged
// file under that name. Removed again unless it was published.
class PendingFile {
public:
    // Creates the temporary file beside `dest`; nothing when the folder does
    // not exist or cannot be written.
    static std::optional<PendingFile> create(const std::filesystem::path& dest);

    PendingFile(PendingFile&& other) noexcept;
    PendingFile& operator=(PendingFile&&) = delete;
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    ~PendingFile();

    int fd() const { return fd_; }
    const std::filesystem::path& path() const { return path_; }

    // Forces the contents to disk and closes the file; false on an error.
    bool finish();

    // Moves the finished file onto its final name, never replacing a file
    // that took the name meanwhile.
    MoveResult publish();

    // The same onto another name in the same folder, for when the intended
    // name was taken meanwhile and the caller moves on to the next free one.
    MoveResult publishAs(const std::filesystem::path& dest);

private:
    PendingFile(std::filesystem::path path, std::filesystem::path dest, int fd)
        : path_(std::move(path)), dest_(std::move(dest)), fd_(fd) {}

    std::filesystem::path path_;
    std::filesystem::path dest_;
    int fd_ = -1;
    bool published_ = false;
};

}  // namespace ombrel
