#pragma once

#include <mutex>

namespace ombrel::exiv2 {

// Sets Exiv2 up once for use from many threads: quiet logging, the XMP
// toolkit initialised with a lock, and ISO base media files (CR3, HEIF)
// enabled where the library supports them.
void initialise();

// The XMP toolkit keeps process-wide state (its namespace registry, extended
// while parsing) that the lock Exiv2 is handed does not cover: concurrent
// parses were seen to lose tags. Every Exiv2 call that may parse or write XMP
// holds this lock; it costs about a millisecond per file.
std::mutex& xmpMutex();

}  // namespace ombrel::exiv2
