#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace ombrel::test {

// The folder of real photos: $OMBREL_TESTDATA, else tests/data in the
// checkout. Nothing when neither exists.
std::optional<std::filesystem::path> testDataDir();

// Why tests that need photos are skipped.
std::string missingTestDataMessage();

// Copies `relative` (e.g. "jpeg/orientation_6_Landscape_6.jpg") from the test
// data into `folder`, writable, and returns the copy's path.
std::filesystem::path copyTestFile(const std::string& relative, const std::filesystem::path& folder);

}  // namespace ombrel::test

// Skips the current GoogleTest when the photos are absent.
#define OMBREL_REQUIRE_TESTDATA()                                              \
    do {                                                                       \
        if (!::ombrel::test::testDataDir())                                    \
            GTEST_SKIP() << ::ombrel::test::missingTestDataMessage();          \
    } while (0)
