// SPDX-License-Identifier: MIT
// Whether this processor runs the vector-lane versions of the limb loops (AVX2 and FMA).
#pragma once

namespace dorvanel {

#if defined(__x86_64__) && defined(__GNUC__)
#define DORVANEL_VECTOR_LANES 1
#define DORVANEL_LANES __attribute__((target("avx2,fma")))

inline bool ProcessorHasLanes() {
    static const bool has = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    return has;
}
#else
inline bool ProcessorHasLanes() {
    return false;
}
#endif

} // namespace dorvanel
