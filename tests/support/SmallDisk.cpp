#include "SmallDisk.h"

#include <fcntl.h>
#include <string>
#include <sys/mount.h>
#include <unistd.h>

namespace ombrel::test {

SmallDisk::SmallDisk(const std::filesystem::path& folder) : folder_(folder) {
    std::filesystem::create_directories(folder);
    mounted_ = ::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=256k") == 0;
}

SmallDisk::~SmallDisk() {
    if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
}

void fillDisk(const std::filesystem::path& filler) {
    const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return;
    const std::string block(4096, 'f');
    while (::write(fd, block.data(), block.size()) > 0) {
    }
    while (::write(fd, block.data(), 1) > 0) {  // the last bytes of the last page
    }
    ::close(fd);
}

}  // namespace ombrel::test
