#include "ExportSummary.h"

namespace ombrel {

std::string exportSummary(int jobs, const std::vector<std::string>& failures) {
    const int failed = static_cast<int>(failures.size());
    const int succeeded = jobs - failed;
    if (failed == 0) return "Exported " + std::to_string(succeeded) + " photo" + (succeeded == 1 ? "" : "s");
    return "Exported " + std::to_string(succeeded) + ", " + std::to_string(failed) + " failed: " + failures.front();
}

}  // namespace ombrel
