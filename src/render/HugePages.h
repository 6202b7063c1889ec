#pragma once

#include <optional>
#include <string>

// Opening a photo fills a few hundred megabytes of fresh memory (the decoder's
// buffers, the working image, the first frames). Faulting that in 4 KiB pages
// cost a third of a cold decode here; glibc backs large allocations with
// transparent huge pages when its tunable asks for it. Tunables are read only
// when a program starts, so the program starts itself again once, with it set.
namespace ombrel::HugePages {

// The value of GLIBC_TUNABLES that asks for huge pages, keeping what `current`
// already sets; nothing when `current` already says something about them (the
// user's own choice, or this is the second start).
std::optional<std::string> tunablesAskingForThem(const char* current);

// Runs the program again with huge pages asked for; returns only when that is
// not needed or not possible, and then the program goes on with ordinary
// pages. Call first thing in main, before any thread starts.
void restartWithThem(char** argv);

}  // namespace ombrel::HugePages
