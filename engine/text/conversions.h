// SPDX-License-Identifier: MIT
// Number conversions and renderings with the runtime behaviour the reports rely on.
// Floating values are `long double`, the x86 80-bit extended type.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

namespace dorvanel {

// The label texts are the numbers this type gives: a narrower one would print others, so such a
// build fails here.
static_assert(std::numeric_limits<long double>::digits == 64 &&
                  std::numeric_limits<long double>::max_exponent == 16384,
              "long double must be the 80-bit extended type");

std::string IntToStr(std::int64_t value);

// An optional sign and decimal digits, within the 32-bit signed range; anything else throws
// ConvertError.
std::int32_t StrToInt(std::string_view text);

// A decimal number with optional sign, fraction and exponent; surrounding blanks are allowed.
// Anything else throws ConvertError. The separator is '.' unless another is given.
long double StrToFloat(std::string_view text, char decimalSeparator = '.');

// The general rendering: at most 15 significant digits, no trailing zeros; from 10^15 up, or
// below 10^-4, a mantissa, a capital E and the exponent ("3.65615844006298E15", "1E-5").
std::string FloatToStr(long double value, char decimalSeparator = '.');

// The same rendering for an exact integer given as a digit string followed by `trailingZeros`
// zeros, so that values beyond the extended range still render ("1.23456789012346E7781").
std::string FormatIntegerDigits(std::string_view digits, char decimalSeparator = '.',
                                std::uint64_t trailingZeros = 0);

// Base to the power exponent. An integral exponent within the 32-bit range is done by
// repeated squaring in extended precision, the way the runtime does it; the result is
// infinite when it leaves the extended range. Zero to a negative power throws
// FloatingPointError.
long double Power(long double base, long double exponent);

// Toward zero, and to the nearest with halves to the even neighbour. A value outside the
// 64-bit range throws FloatingPointError.
std::int64_t Trunc(long double value);
std::int64_t Round(long double value);

} // namespace dorvanel
