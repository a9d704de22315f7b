// SPDX-License-Identifier: MIT
// The graph's three colours, held as the settings file stores them: 0x00BBGGRR, red in the
// low byte.
#pragma once

#include <QColor>

#include <cstdint>

namespace dorvanel {

struct GraphColors {
    std::int32_t pen;  // baseline, curve, bar outlines
    std::int32_t fill; // stems, bar interiors
    std::int32_t background;
};

// The plain colour of a 0x00BBGGRR value; a non-zero high byte is ignored.
QColor ColorFromBgr(std::int32_t bgr);
// The 0x00BBGGRR value of a plain colour.
std::int32_t BgrFromColor(QColor color);
// Black or white, whichever stands out more from `color`: for text and marks drawn on it.
QColor ContrastingColor(QColor color);

} // namespace dorvanel
