#include "Exiv2Setup.h"

#include <exiv2/exiv2.hpp>

namespace ombrel::exiv2 {
namespace {

std::mutex toolkitMutex;

// Exiv2's own registry updates take this lock.
void lockToolkit(void*, bool lock) {
    if (lock) {
        toolkitMutex.lock();
    } else {
        toolkitMutex.unlock();
    }
}

}  // namespace

void initialise() {
    static std::once_flag once;
    std::call_once(once, [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize(lockToolkit, nullptr);
#ifdef EXV_ENABLE_BMFF
        Exiv2::enableBMFF(true);
#endif
    });
}

std::mutex& xmpMutex() {
    static std::mutex mutex;
    return mutex;
}

}  // namespace ombrel::exiv2
