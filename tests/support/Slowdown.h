#pragma once

namespace ombrel::test {

// How many times longer waits for background work may take in this build. The
// sanitizer and coverage builds run the same work several times slower than
// Release, so there a test must fail on what it checks, not on the build's speed.
#if defined(OMBREL_TEST_SLOWDOWN)
inline constexpr int slowdown = OMBREL_TEST_SLOWDOWN;
#elif defined(__SANITIZE_ADDRESS__)
inline constexpr int slowdown = 10;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr int slowdown = 10;
#else
inline constexpr int slowdown = 1;
#endif
#else
inline constexpr int slowdown = 1;
#endif

}  // namespace ombrel::test
