#include "FdStream.h"

#include <unistd.h>

namespace ombrel {

bool writeThroughStream(int fd, const std::function<bool(std::FILE*)>& write) {
    const int own = ::dup(fd);
    if (own < 0) return false;
    std::FILE* stream = ::fdopen(own, "wb");
    if (!stream) {
        ::close(own);
        return false;
    }
    const bool written = write(stream);
    const bool closed = std::fclose(stream) == 0;
    return written && closed;
}

}  // namespace ombrel
