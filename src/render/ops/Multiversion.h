#pragma once

// Marks a hot loop's function to be compiled twice, for the baseline x86-64
// and for AVX2 with FMA, picked once at load time: the build targets every
// x86-64, while most machines running it have the wider vectors.
#if defined(__x86_64__) && defined(__has_attribute)
#if __has_attribute(target_clones)
#define OMBREL_MULTIVERSION __attribute__((target_clones("arch=x86-64-v3", "default")))
#endif
#endif
#ifndef OMBREL_MULTIVERSION
#define OMBREL_MULTIVERSION
#endif
