// SPDX-License-Identifier: MIT
// Text to lines and back, the way a list of lines is loaded from and saved to a file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace dorvanel {

// Splits at CR LF, CR or LF. A last line without a line break still counts, and a line break
// at the very end starts no further line, so "" gives no lines and "A\r\n" gives one.
std::vector<std::string> SplitLines(std::string_view text);

// Every line followed by CR LF.
std::string JoinLines(const std::vector<std::string>& lines);

} // namespace dorvanel
