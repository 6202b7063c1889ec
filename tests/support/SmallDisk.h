#pragma once

#include <filesystem>

namespace ombrel::test {

// A tiny tmpfs (256 KiB) on `folder` for the life of the object, to run out
// of space on; mounted() is false where this process may not mount.
class SmallDisk {
public:
    explicit SmallDisk(const std::filesystem::path& folder);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    bool mounted() const { return mounted_; }

private:
    std::filesystem::path folder_;
    bool mounted_ = false;
};

// Writes `filler` until the disk says no.
void fillDisk(const std::filesystem::path& filler);

}  // namespace ombrel::test
