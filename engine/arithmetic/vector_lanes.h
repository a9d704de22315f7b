// SPDX-License-Identifier: MIT
// Whether the limb loops run in vector lanes: AVX2 and FMA, and AVX-512 for the widest, where the
// processor has them and no lower limit is set.
#pragma once

namespace dorvanel {

// The widest lanes the limb loops may take, in order.
enum class LaneWidth { None, Avx2, Avx512 };

// What this processor has.
LaneWidth ProcessorLanes();

// Holds every thread's limb loops to `widest` or below, so that one machine runs what processors
// without the wider lanes run; LaneWidth::Avx512 lifts the limit. Returns the width now in use:
// the lower of `widest` and what the processor has. Set it while no count is being computed.
LaneWidth LimitLanes(LaneWidth widest);

// Whether the limb loops take the 256-bit lanes, and the 512-bit ones.
bool LanesInUse();
bool WideLanesInUse();

#if defined(__x86_64__) && defined(__GNUC__)
#define DORVANEL_VECTOR_LANES 1
#define DORVANEL_LANES __attribute__((target("avx2,fma")))

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
#endif

} // namespace dorvanel
