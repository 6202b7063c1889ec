#include <gtest/gtest.h>

#include "render/HugePages.h"

namespace ombrel {
namespace {

TEST(HugePages, TheTunableIsAddedOnceAndTheUsersOwnAreKept) {
    struct Case {
        const char* current;
        std::optional<std::string> wanted;
        const char* why;
    };
    const Case cases[] = {
        {nullptr, "glibc.malloc.hugetlb=1", "unset"},
        {"", "glibc.malloc.hugetlb=1", "set but empty"},
        {"glibc.malloc.arena_max=2", "glibc.malloc.arena_max=2:glibc.malloc.hugetlb=1", "other tunables kept"},
        {"glibc.malloc.hugetlb=1", std::nullopt, "the second start must not start again"},
        {"glibc.malloc.hugetlb=0", std::nullopt, "the user turned them off"},
        {"glibc.malloc.arena_max=2:glibc.malloc.hugetlb=2", std::nullopt, "the user's own value among others"},
    };
    for (const Case& c : cases) EXPECT_EQ(HugePages::tunablesAskingForThem(c.current), c.wanted) << c.why;
}

}  // namespace
}  // namespace ombrel
