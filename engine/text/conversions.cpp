// SPDX-License-Identifier: MIT
#include "conversions.h"

#include "errors.h"
#include "power_by_squaring.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace dorvanel {
namespace {

constexpr std::size_t kSignificantDigits = 15;
// The runtime converts a value to 18 digits before rounding it to the 15 it shows.
constexpr std::size_t kConversionDigits = 18;

// Adds one unit in the last place; true when that carries into a new leading digit, in which
// case the digits become "100…" of the same length.
bool IncrementDigits(std::string& digits) {
    for (std::size_t i = digits.size(); i-- > 0;) {
        if (digits[i] != '9') {
            ++digits[i];
            return false;
        }
        digits[i] = '0';
    }
    digits.front() = '1';
    return true;
}

// Keeps the first `keep` digits, rounding half up; true when that carried ("999" → "10").
bool RoundHalfUp(std::string& digits, std::size_t keep) {
    if (digits.size() <= keep)
        return false;
    const bool up = digits[keep] >= '5';
    digits.resize(keep);
    return up && IncrementDigits(digits);
}

// value = 0.d1d2d3… × 10^pointPosition, digits without leading zeros.
std::string FormatGeneral(bool negative, std::string digits, int pointPosition,
                          char decimalSeparator) {
    if (RoundHalfUp(digits, kSignificantDigits))
        ++pointPosition;
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    std::string text = negative ? "-" : "";
    if (pointPosition > static_cast<int>(kSignificantDigits) || pointPosition < -3) {
        text += digits[0];
        if (digits.size() > 1) {
            text += decimalSeparator;
            text.append(digits, 1);
        }
        text += 'E';
        text += std::to_string(pointPosition - 1);
    } else if (pointPosition <= 0) {
        text += '0';
        text += decimalSeparator;
        text.append(static_cast<std::size_t>(-pointPosition), '0');
        text += digits;
    } else if (digits.size() <= static_cast<std::size_t>(pointPosition)) {
        text += digits;
        text.append(static_cast<std::size_t>(pointPosition) - digits.size(), '0');
    } else {
        text.append(digits, 0, static_cast<std::size_t>(pointPosition));
        text += decimalSeparator;
        text.append(digits, static_cast<std::size_t>(pointPosition));
    }
    return text;
}

[[noreturn]] void ThrowInvalidInteger(std::string_view text) {
    throw ConvertError("'" + std::string(text) + "' is not a valid integer value");
}

[[noreturn]] void ThrowInvalidFloat(std::string_view text) {
    throw ConvertError("'" + std::string(text) + "' is not a valid floating point value");
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// For a checked number "[-]digits[.digits][e[±]digits]": the power of ten of its leading
// significant digit, saturated far beyond any floating range.
long long LeadingDigitPosition(const std::string& number) {
    const std::size_t exponentAt = number.find('e');
    const std::string mantissa = number.substr(0, exponentAt);
    const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
    const std::size_t lead = mantissa.find_first_of("123456789");
    if (lead == std::string::npos)
        return std::numeric_limits<int>::min();
    long long position = lead < point
                             ? static_cast<long long>(point - lead) - 1
                             : static_cast<long long>(point) - static_cast<long long>(lead);
    if (exponentAt != std::string::npos) {
        long long exponent = 0;
        for (char c : number.substr(exponentAt + 1))
            if (IsDigit(c))
                exponent = std::min(exponent * 10 + (c - '0'), 1'000'000'000LL);
        position += number[exponentAt + 1] == '-' ? -exponent : exponent;
    }
    return position;
}

std::int64_t CheckedToInt64(long double value) {
    // Both bounds are exact in extended precision.
    constexpr long double limit = 9223372036854775808.0L;
    if (!(value >= -limit && value < limit))
        throw FloatingPointError("Invalid floating point operation");
    return static_cast<std::int64_t>(value);
}

long double IntPower(long double base, std::int32_t exponent) {
    const std::uint32_t magnitude = exponent < 0 ? 0u - static_cast<std::uint32_t>(exponent)
                                                 : static_cast<std::uint32_t>(exponent);
    long double result =
        PowerBySquaring(base, magnitude, 1.0L, [](long double a, long double b) { return a * b; });
    if (exponent < 0) {
        if (result == 0.0L)
            throw FloatingPointError("Floating point division by zero");
        result = 1.0L / result;
    }
    return result;
}

} // namespace

std::string IntToStr(std::int64_t value) {
    return std::to_string(value);
}

std::int32_t StrToInt(std::string_view text) {
    std::string_view digits = text;
    bool negative = false;
    if (!digits.empty() && (digits[0] == '+' || digits[0] == '-')) {
        negative = digits[0] == '-';
        digits.remove_prefix(1);
    }
    if (digits.empty() || digits.size() > 12)
        ThrowInvalidInteger(text);
    std::int64_t value = 0;
    for (char c : digits) {
        if (!IsDigit(c))
            ThrowInvalidInteger(text);
        value = value * 10 + (c - '0');
    }
    if (negative)
        value = -value;
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        ThrowInvalidInteger(text);
    return static_cast<std::int32_t>(value);
}

long double StrToFloat(std::string_view text, char decimalSeparator) {
    std::string_view s = text;
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);

    // Checked by hand, then handed to from_chars in the separator it understands.
    std::string normalised;
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        normalised += s[i++];
    std::size_t mantissaDigits = 0;
    for (; i < s.size() && IsDigit(s[i]); ++i, ++mantissaDigits)
        normalised += s[i];
    if (i < s.size() && s[i] == decimalSeparator) {
        normalised += '.';
        for (++i; i < s.size() && IsDigit(s[i]); ++i, ++mantissaDigits)
            normalised += s[i];
    }
    if (mantissaDigits == 0)
        ThrowInvalidFloat(text);
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        normalised += 'e';
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            normalised += s[i++];
        std::size_t exponentDigits = 0;
        for (; i < s.size() && IsDigit(s[i]); ++i, ++exponentDigits)
            normalised += s[i];
        if (exponentDigits == 0)
            ThrowInvalidFloat(text);
    }
    if (i != s.size())
        ThrowInvalidFloat(text);

    const char* begin = normalised.data();
    if (*begin == '+')
        ++begin;
    long double value = 0;
    const auto [end, error] = std::from_chars(begin, normalised.data() + normalised.size(), value);
    if (error == std::errc::result_out_of_range) {
        // Too small for the extended type reads as zero; too large is an overflow.
        if (LeadingDigitPosition(normalised) < 0)
            return 0.0L;
        throw FloatingPointError("Floating point overflow");
    }
    if (error != std::errc{} || end != normalised.data() + normalised.size())
        ThrowInvalidFloat(text);
    return value;
}

std::string FloatToStr(long double value, char decimalSeparator) {
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    if (value == 0.0L)
        return "0";

    // "d.ddddddddddddddddde±x": 18 significant digits, correctly rounded.
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                      std::chars_format::scientific, static_cast<int>(kConversionDigits - 1));
    const std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
    const std::size_t e = text.find('e');
    std::string digits;
    for (char c : text.substr(0, e))
        if (IsDigit(c))
            digits += c;
    int exponent = 0;
    std::string_view exponentText = text.substr(e + 1);
    if (exponentText.front() == '+')
        exponentText.remove_prefix(1);
    std::from_chars(exponentText.data(), exponentText.data() + exponentText.size(), exponent);
    return FormatGeneral(value < 0, std::move(digits), exponent + 1, decimalSeparator);
}

std::string FormatIntegerDigits(std::string_view digits, char decimalSeparator,
                                std::uint64_t trailingZeros) {
    const std::size_t first = digits.find_first_not_of('0');
    if (first == std::string_view::npos)
        return "0";
    digits.remove_prefix(first);
    std::string kept(digits.substr(0, kConversionDigits));
    int pointPosition = static_cast<int>(digits.size() + trailingZeros);
    if (digits.size() > kConversionDigits) {
        // Nearest 18 digits, ties to even, as the conversion of an extended value gives them.
        const std::string_view rest = digits.substr(kConversionDigits);
        const bool restBeyondFive = rest.find_first_not_of('0', 1) != std::string_view::npos;
        const bool up =
            rest[0] > '5' || (rest[0] == '5' && (restBeyondFive || (kept.back() - '0') % 2 == 1));
        if (up && IncrementDigits(kept))
            ++pointPosition;
    }
    return FormatGeneral(false, std::move(kept), pointPosition, decimalSeparator);
}

long double Power(long double base, long double exponent) {
    if (exponent == 0.0L)
        return 1.0L;
    if (base == 0.0L && exponent > 0.0L)
        return 0.0L;
    if (std::trunc(exponent) == exponent &&
        std::fabs(exponent) <= std::numeric_limits<std::int32_t>::max())
        return IntPower(base, static_cast<std::int32_t>(exponent));
    return std::exp(exponent * std::log(base));
}

std::int64_t Trunc(long double value) {
    return CheckedToInt64(std::trunc(value));
}

std::int64_t Round(long double value) {
    return CheckedToInt64(std::nearbyint(value));
}

} // namespace dorvanel
