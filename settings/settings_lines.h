// SPDX-License-Identifier: MIT
// The settings as a list of lines: a key on a line of its own, followed by a value line for the
// keys that take one.
#pragma once

#include "display_settings.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace dorvanel {

// The lines of the built-in defaults, DisplaySettings{} as "Save settings" writes them.
const std::vector<std::string>& DefaultSettingsLines();

// The lines "Save settings" writes: the flags that are set, then the three colours and the
// style, each key followed by its value in decimal, then the explosion depth unless it is 10.
// The flags SHOWAXES and LIKELYONLY came later: a file without them means off.
std::vector<std::string> FormatSettingsLines(const DisplaySettings& settings);

struct ApplyResult {
    // False for an empty list: nothing changes, and the window leaves even its swatches alone.
    bool applied = false;
    // The settings with every line up to the failure, if any, applied.
    DisplaySettings settings;
    // The conversion error that stopped the apply. The lines before it stay applied; the
    // window shows `settings`, then reports this.
    std::optional<std::string> error;
    // The value line it stopped at, counted from 1: one past the last for a missing one.
    std::size_t errorLine = 0;
};

// Applies the lines to `current`: both flags are cleared and the explosion depth is 10 first,
// every line is compared with the keys exactly (so value lines too), and the last occurrence of
// a key wins. A value that is not a 32-bit integer, an explosion depth outside 0 … 100, or a
// missing value line, which reads as an empty line, stops the apply.
ApplyResult ApplySettingsLines(const std::vector<std::string>& lines,
                               const DisplaySettings& current);

} // namespace dorvanel
