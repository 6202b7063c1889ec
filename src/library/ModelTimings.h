#pragma once

#include <chrono>
#include <functional>

namespace ombrel {

// How long the model waits before acting. Readable (and replaceable) so tests
// wait exactly as long as the model does.
struct ModelTimings {
    std::chrono::milliseconds status{3000};     // a status message stays this long
    std::chrono::milliseconds save{400};        // sidecar save after the last edit
    std::chrono::milliseconds reload{350};      // re-decode after the last RAW option change
    std::chrono::milliseconds histogram{60};    // histogram after the last change
    std::chrono::milliseconds newPhotoHistogram{250};  // a new photo's, once its first frame is drawn
    std::chrono::milliseconds coalescing{1000}; // edits of one control closer than this are one undo step
};

// The time source of undo coalescing.
using Clock = std::function<std::chrono::steady_clock::time_point()>;

inline std::chrono::steady_clock::time_point steadyNow() { return std::chrono::steady_clock::now(); }

}  // namespace ombrel
