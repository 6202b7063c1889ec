#pragma once

namespace ombrel {

// LibRaw parallelises its demosaicing and denoising with OpenMP, whose
// teams default to one thread per core. Several decodes at once (a preview
// next to thumbnails) would then run cores x decodes threads, next to oneTBB's
// own pool. While an OpenMpShare lives, the OpenMP loops started from this
// thread use its fair share of the cores: all of them for a lone decode, one
// each when there are as many decodes as cores.
class OpenMpShare {
public:
    OpenMpShare();
    ~OpenMpShare();
    OpenMpShare(const OpenMpShare&) = delete;
    OpenMpShare& operator=(const OpenMpShare&) = delete;
};

// The team size a decode gets with `decodes` running on `cores` cores.
int openMpThreadsFor(int cores, int decodes);

}  // namespace ombrel
