#pragma once

#include <string>
#include <vector>

namespace ombrel {

// The line that ends an export batch of `jobs` photos, given the messages of
// those that failed in batch order: "Exported 3 photos", "Exported 1 photo",
// or "Exported 3, 2 failed: " and the first failure's message.
std::string exportSummary(int jobs, const std::vector<std::string>& failures);

}  // namespace ombrel
