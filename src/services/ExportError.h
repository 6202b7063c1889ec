#pragma once

#include <filesystem>
#include <string>

namespace ombrel {

// Why one photo could not be exported, with the text shown to the user.
struct ExportError {
    enum Code : int {
        decodeFailed = 1,  // the photo could not be read
        renderFailed = 2,  // its picture could not be turned into pixels
        cannotWrite = 3,   // the destination file could not be created
        notFinished = 4,   // writing the destination file failed part-way
    };

    int code = 0;
    std::string message;

    bool operator==(const ExportError&) const = default;

    static ExportError couldNotDecode(const std::filesystem::path& photo) {
        return {decodeFailed, "Could not decode " + photo.filename().string()};
    }
    static ExportError renderFailedFor(const std::filesystem::path& photo) {
        return {renderFailed, "Render failed for " + photo.filename().string()};
    }
    static ExportError cannotWriteTo(const std::filesystem::path& dest) {
        return {cannotWrite, "Cannot write " + dest.filename().string()};
    }
    static ExportError couldNotFinish(const std::filesystem::path& dest) {
        return {notFinished, "Could not finish " + dest.filename().string()};
    }
};

}  // namespace ombrel
