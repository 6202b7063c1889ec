#include "TestData.h"

#include <cstdlib>
#include <stdexcept>

namespace ombrel::test {

std::optional<std::filesystem::path> testDataDir() {
    namespace fs = std::filesystem;
    if (const char* env = std::getenv("OMBREL_TESTDATA"); env && *env) {
        if (fs::is_directory(env)) return fs::path(env);
        return std::nullopt;
    }
    const fs::path fallback = OMBREL_DEFAULT_TESTDATA;
    if (fs::is_directory(fallback)) return fs::weakly_canonical(fallback);
    return std::nullopt;
}

std::string missingTestDataMessage() {
    return "test photos not found: set OMBREL_TESTDATA or restore tests/data in the checkout (" +
           std::string(OMBREL_DEFAULT_TESTDATA) + ")";
}

std::filesystem::path copyTestFile(const std::string& relative, const std::filesystem::path& folder) {
    namespace fs = std::filesystem;
    const auto dir = testDataDir();
    if (!dir) throw std::runtime_error(missingTestDataMessage());
    const fs::path source = *dir / relative;
    const fs::path target = folder / source.filename();
    fs::copy_file(source, target, fs::copy_options::overwrite_existing);
    // The source may be read-only; tests own their copies.
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add);
    return target;
}

}  // namespace ombrel::test
