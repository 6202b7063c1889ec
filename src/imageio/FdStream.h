#pragma once

#include <cstdio>
#include <functional>

namespace ombrel {

// Runs `write` on a stdio stream over its own copy of the open file `fd`, for
// writers that take a FILE*; false when `write` or closing the stream fails.
// `fd` stays open.
bool writeThroughStream(int fd, const std::function<bool(std::FILE*)>& write);

}  // namespace ombrel
