// SPDX-License-Identifier: MIT
// The limb loops held to the lanes a test run names, so that one machine checks what processors
// without its widest lanes run.
#pragma once

#include "vector_lanes.h"

#include <QtGlobal>

#include <cstdlib>
#include <string_view>

namespace dorvanel::testing {

// The lanes DORVANEL_TEST_LANES names, "none", "avx2" or "avx512"; unset, the widest.
inline LaneWidth AskedLanes() {
    const char* asked = std::getenv("DORVANEL_TEST_LANES");
    const std::string_view name = asked ? asked : "avx512";
    if (name == "none")
        return LaneWidth::None;
    if (name == "avx2")
        return LaneWidth::Avx2;
    if (name != "avx512")
        qFatal("DORVANEL_TEST_LANES=%s: none, avx2 or avx512", asked);
    return LaneWidth::Avx512;
}

// Holds the limb loops to the lanes asked for; false when this processor lacks them.
inline bool HoldToAskedLanes() {
    const LaneWidth asked = AskedLanes();
    return LimitLanes(asked) == asked && LanesInUse() == (asked >= LaneWidth::Avx2) &&
           WideLanesInUse() == (asked == LaneWidth::Avx512);
}

} // namespace dorvanel::testing
