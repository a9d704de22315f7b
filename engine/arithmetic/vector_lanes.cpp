// SPDX-License-Identifier: MIT
#include "vector_lanes.h"

#include <algorithm>
#include <atomic>

namespace dorvanel {
namespace {

#ifdef DORVANEL_VECTOR_LANES
bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    return has;
}
bool HasAvx512() {
    static const bool has = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq");
    return has;
}
#else
bool HasAvx2() {
    return false;
}
bool HasAvx512() {
    return false;
}
#endif

// Read by every thread's kernels, written only between computations.
std::atomic<LaneWidth> limit{LaneWidth::Avx512};

} // namespace

LaneWidth ProcessorLanes() {
    if (HasAvx512())
        return LaneWidth::Avx512;
    return HasAvx2() ? LaneWidth::Avx2 : LaneWidth::None;
}

LaneWidth LimitLanes(LaneWidth widest) {
    limit.store(widest, std::memory_order_relaxed);
    return std::min(widest, ProcessorLanes());
}

bool LanesInUse() {
    return limit.load(std::memory_order_relaxed) >= LaneWidth::Avx2 && HasAvx2();
}

bool WideLanesInUse() {
    return limit.load(std::memory_order_relaxed) >= LaneWidth::Avx512 && HasAvx512();
}

} // namespace dorvanel
