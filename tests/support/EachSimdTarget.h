#pragma once

#include <gtest/gtest.h>
#include <hwy/targets.h>

namespace ombrel::test {

// Runs `body` once for every SIMD target this processor supports and the
// build generated (AVX-512, AVX2, SSE4, ...), forcing the run-time dispatch
// to each in turn, so that code paths other than the best one are tested too.
template <typename Body>
void forEachSimdTarget(Body body) {
    for (const auto target : hwy::SupportedAndGeneratedTargets()) {
        hwy::SetSupportedTargetsForTest(target);
        SCOPED_TRACE(hwy::TargetName(target));
        body();
    }
    hwy::SetSupportedTargetsForTest(0);
}

}  // namespace ombrel::test
