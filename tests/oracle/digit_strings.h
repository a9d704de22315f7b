// SPDX-License-Identifier: MIT
// Decimal digit strings: non-negative integers held as text, most significant digit first, added
// the straightforward way the engine is checked against.
#pragma once

#include <string>

namespace dorvanel {

// True exactly for the ten one-character strings "0" … "9".
bool IsDigitString(const std::string& s);

// The sum of two digit strings, added digit by digit from the right. A position where either
// character is not a digit contributes nothing and leaves the carry as it is; the shorter
// argument is padded with leading zeros, so a leading zero of the longer one survives.
std::string AddDigitStrings(std::string a, std::string b);

} // namespace dorvanel
