// SPDX-License-Identifier: MIT
// Whether this processor runs the vector-lane versions of the limb loops: AVX2 and FMA, and
// AVX-512 for the widest.
#pragma once

namespace dorvanel {

#if defined(__x86_64__) && defined(__GNUC__)
#define DORVANEL_VECTOR_LANES 1
#define DORVANEL_LANES __attribute__((target("avx2,fma")))

inline bool ProcessorHasLanes() {
    static const bool has = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    return has;
}

// The 512-bit lanes, with 64-bit integers to and from doubles and 64-bit products.
#define DORVANEL_WIDE_LANES __attribute__((target("avx512f,avx512dq")))

// Around code in those lanes: GCC's AVX-512 header leaves its placeholder sources uninitialised
// on purpose, and then warns of them where its conversions are inlined.
#if defined(__clang__)
#define DORVANEL_WIDE_LANES_BEGIN
#define DORVANEL_WIDE_LANES_END
#else
#define DORVANEL_WIDE_LANES_BEGIN                                                                  \
    _Pragma("GCC diagnostic push") _Pragma("GCC diagnostic ignored \"-Wmaybe-uninitialized\"")     \
        _Pragma("GCC diagnostic ignored \"-Wuninitialized\"")
#define DORVANEL_WIDE_LANES_END _Pragma("GCC diagnostic pop")
#endif

inline bool ProcessorHasWideLanes() {
    static const bool has = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq");
    return has;
}
#else
inline bool ProcessorHasLanes() {
    return false;
}
inline bool ProcessorHasWideLanes() {
    return false;
}
#endif

} // namespace dorvanel
