#include "HugePages.h"

#include <cstdlib>

#include <unistd.h>

namespace ombrel::HugePages {

namespace {

constexpr const char* tunable = "glibc.malloc.hugetlb";

}  // namespace

std::optional<std::string> tunablesAskingForThem(const char* current) {
    const std::string value = current ? current : "";
    if (value.find(tunable) != std::string::npos) return std::nullopt;
    const std::string setting = std::string(tunable) + "=1";
    return value.empty() ? setting : value + ":" + setting;
}

void restartWithThem(char** argv) {
    const std::optional<std::string> tunables = tunablesAskingForThem(std::getenv("GLIBC_TUNABLES"));
    if (!tunables || argv == nullptr || argv[0] == nullptr) return;
    if (setenv("GLIBC_TUNABLES", tunables->c_str(), 1) != 0) return;
    execv("/proc/self/exe", argv);
}

}  // namespace ombrel::HugePages
