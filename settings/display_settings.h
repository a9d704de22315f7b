// SPDX-License-Identifier: MIT
// The display settings that persist between runs, as the window's controls hold them. The
// member initialisers are the defaults: the window's initial states and the default lines.
#pragma once

#include <cstdint>

namespace dorvanel {

struct DisplaySettings {
    bool showX = true;  // the whole range of totals, not only the possible ones
    bool showY = false; // scaled to all outcomes, not to the peak
    // Colours in the 0x00BBGGRR format, kept as signed values so that any stored integer
    // survives a load and a save unchanged.
    std::int32_t penColor = 65280;     // lime
    std::int32_t fillColor = 16711680; // blue
    std::int32_t backgroundColor = 0;  // black
    std::int32_t graphStyle = 0;       // 0 line, 1 bar; any other index is kept as it is
    bool showAxes = false;             // ticks and labels of totals, and a scale
    bool likelyOnly = false;           // the X range narrowed to the likely totals
    // Extra rolls an exploding die makes at most, 0 … 100: written only when not 10, so that
    // a file of the other settings reads as it always has.
    std::int32_t explodeDepth = 10;

    friend bool operator==(const DisplaySettings&, const DisplaySettings&) = default;
};

} // namespace dorvanel
