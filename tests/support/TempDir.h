#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace ombrel::test {

// A fresh folder under the system temp folder, removed with everything in it
// when the object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

    // Names in the folder, sorted; hidden files included.
    std::vector<std::string> entries() const;

private:
    std::filesystem::path path_;
};

// Writes a small file in one go (test setup only).
void writeFile(const std::filesystem::path& file, const std::string& bytes);
std::string readFile(const std::filesystem::path& file);

// Everything below `folder`, as paths relative to it, sorted.
std::vector<std::string> namesBelow(const std::filesystem::path& folder);

}  // namespace ombrel::test
