// SPDX-License-Identifier: MIT
#include "whole_range_scale.h"

#include "conversions.h"
#include "count_limbs.h"
#include "decimal.h"

#include <cmath>
#include <string>

namespace dorvanel {
namespace {

// The top stands for at most this many units: larger values are divided by ten.
constexpr double kTopLimit = 10000.0;

// Extended values from here on round to infinity as doubles: the midpoint between the
// largest double and 2^1024.
constexpr long double kDoubleOverflow = 0x1.fffffffffffff8p1023L;

WholeRangeScale FromDouble(double outcomes) {
    WholeRangeScale scale;
    // One digit per division, then the digits of what is left: the digit count plus one.
    double remaining = outcomes;
    scale.referenceWidth = 1;
    while (remaining >= 10.0) {
        remaining /= 10.0;
        ++scale.referenceWidth;
    }
    scale.referenceWidth += static_cast<std::int32_t>(FloatToStr(std::trunc(remaining)).size());

    scale.yTop = outcomes;
    while (scale.yTop > kTopLimit)
        scale.yTop /= 10.0;
    return scale;
}

// Only reached beyond the double range, so the outcomes have far more than five digits.
WholeRangeScale FromExactDigits(const Decimal& outcomes) {
    const std::string digits = outcomes.ToString();
    WholeRangeScale scale;
    scale.referenceWidth = static_cast<std::int32_t>(digits.size()) + 1;
    const bool powerOfTen = digits.find_first_not_of('0', 1) == std::string::npos;
    if (powerOfTen) {
        scale.yTop = kTopLimit; // exactly 10000 is not divided further
    } else {
        // D^N / 10^(digits − 4), from its first seventeen digits, which the extended type
        // holds exactly.
        constexpr std::size_t kKept = 17;
        long double leading = 0.0L;
        for (char digit : digits.substr(0, kKept))
            leading = leading * 10.0L + static_cast<long double>(digit - '0');
        scale.yTop = static_cast<double>(leading / 1e13L);
    }
    return scale;
}

} // namespace

WholeRangeScale WholeRangeScaleOf(std::int32_t faces, std::int32_t dice) {
    const long double outcomes = Power(faces, dice);
    if (outcomes < kDoubleOverflow)
        return FromDouble(static_cast<double>(outcomes));
    return FromExactDigits(
        Decimal::Power(static_cast<std::uint32_t>(faces), static_cast<std::uint32_t>(dice)));
}

WholeRangeScale WholeRangeScaleOf(const DicePool& pool) {
    if (const std::optional<DiceGroup> single = pool.SingleSize())
        return WholeRangeScaleOf(single->faces, single->count);
    // Numbers of up to 310 digits reach past the double range.
    constexpr std::size_t kDoubleDigits = 310;
    const Decimal outcomes = ExactOutcomes(pool);
    if (outcomes.DigitCount() <= kDoubleDigits) {
        const long double value = StrToFloat(outcomes.ToString());
        if (value < kDoubleOverflow)
            return FromDouble(static_cast<double>(value));
    }
    return FromExactDigits(outcomes);
}

} // namespace dorvanel
