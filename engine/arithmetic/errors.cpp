// SPDX-License-Identifier: MIT
#include "errors.h"

#include <array>
#include <cstdio>

namespace dorvanel {

std::string DescribeBytes(std::uint64_t bytes) {
    static constexpr std::array<const char*, 5> units{"bytes", "KB", "MB", "GB", "TB"};
    double value = static_cast<double>(bytes);
    std::size_t unit = 0;
    while (value >= 1000.0 && unit + 1 < units.size()) {
        value /= 1000.0;
        ++unit;
    }
    char text[32];
    if (unit == 0)
        std::snprintf(text, sizeof text, "%llu bytes", static_cast<unsigned long long>(bytes));
    else
        std::snprintf(text, sizeof text, "%.1f %s", value, units[unit]);
    return text;
}

InsufficientMemoryError::InsufficientMemoryError(const std::string& analysis,
                                                 std::uint64_t bytesNeeded,
                                                 std::uint64_t bytesAvailable)
    : std::runtime_error("Not enough memory for " + analysis +
                         ": the table of counts needs about " + DescribeBytes(bytesNeeded) +
                         ", and only " + DescribeBytes(bytesAvailable) + " can be used."),
      bytesNeeded_(bytesNeeded), bytesAvailable_(bytesAvailable) {}

} // namespace dorvanel
