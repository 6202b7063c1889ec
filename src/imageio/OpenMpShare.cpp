#include "OpenMpShare.h"

#include <omp.h>

#include <algorithm>
#include <atomic>
#include <thread>

namespace ombrel {

namespace {

std::atomic<int> runningDecodes{0};

int coreCount() {
    static const int cores = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    return cores;
}

}  // namespace

int openMpThreadsFor(int cores, int decodes) { return std::max(1, cores / std::max(1, decodes)); }

OpenMpShare::OpenMpShare() {
    const int decodes = runningDecodes.fetch_add(1) + 1;
    omp_set_num_threads(openMpThreadsFor(coreCount(), decodes));
}

OpenMpShare::~OpenMpShare() { runningDecodes.fetch_sub(1); }

}  // namespace ombrel
