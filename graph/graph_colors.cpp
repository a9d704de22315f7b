// SPDX-License-Identifier: MIT
#include "graph_colors.h"

namespace dorvanel {

QColor ColorFromBgr(std::int32_t bgr) {
    const auto value = static_cast<std::uint32_t>(bgr);
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

std::int32_t BgrFromColor(QColor color) {
    return (color.blue() << 16) | (color.green() << 8) | color.red();
}

QColor ContrastingColor(QColor color) {
    // Relative luminance, in the weights of the sRGB primaries.
    const double luminance =
        0.2126 * color.redF() + 0.7152 * color.greenF() + 0.0722 * color.blueF();
    return luminance > 0.4 ? Qt::black : Qt::white;
}

} // namespace dorvanel
