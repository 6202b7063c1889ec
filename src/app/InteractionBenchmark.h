#pragma once

#include <filesystem>
#include <optional>

namespace ombrel {

class AppModel;
class MainWindow;

struct InteractionBenchmarkFiles {
    std::filesystem::path raw;                  // a 24 MP RAW among others like it
    std::optional<std::filesystem::path> jpeg;  // a 24 MP JPEG among others like it
    std::optional<std::filesystem::path> many;  // a folder of thousands of small photos
};

// Drives the real window with synthetic input and prints, per interaction,
// the times from posting the input until its result was painted, and the
// main-thread stalls seen meanwhile. Returns the process exit status.
int runInteractionBenchmark(MainWindow& window, AppModel& model, const InteractionBenchmarkFiles& files);

}  // namespace ombrel
