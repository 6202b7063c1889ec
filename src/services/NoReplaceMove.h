#pragma once

#include <filesystem>

namespace ombrel {

enum class MoveResult { moved, nameTaken, failed };

// Moves the file `from` onto the name `to` in the same folder without ever
// replacing a file that holds that name, even one another program creates at
// the same moment: an atomic no-replace rename, else (on filesystems without
// one) a hard link then removal of `from`, else claiming the name with an
// exclusive create and renaming over the claim.
MoveResult moveWithoutReplacing(const std::filesystem::path& from, const std::filesystem::path& to);

// The two fallbacks on their own.
MoveResult moveByLink(const std::filesystem::path& from, const std::filesystem::path& to);
MoveResult moveByClaim(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace ombrel
