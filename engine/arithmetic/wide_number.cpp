// SPDX-License-Identifier: MIT
#include "wide_number.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace dorvanel {
namespace {

// Beyond this many decimal places one addend is lost in the other.
constexpr std::int64_t kNegligible = 40;

// 10^0 … 10^kNegligible: exact up to 10^27, correctly rounded beyond.
const std::array<long double, kNegligible + 1>& Powers() {
    static const auto powers = [] {
        std::array<long double, kNegligible + 1> p{};
        for (std::size_t k = 0; k < p.size(); ++k)
            p[k] = std::pow(10.0L, static_cast<long double>(k));
        return p;
    }();
    return powers;
}

long double PowerOfTen(std::int64_t exponent) {
    if (exponent >= 0 && exponent <= kNegligible)
        return Powers()[static_cast<std::size_t>(exponent)];
    if (exponent < 0 && exponent >= -kNegligible)
        return 1.0L / Powers()[static_cast<std::size_t>(-exponent)];
    return std::pow(10.0L, static_cast<long double>(exponent));
}

} // namespace

WideNumber::WideNumber(long double value) : mantissa_(value) {
    Normalise();
}

WideNumber::WideNumber(long double mantissa, std::int64_t exponent)
    : mantissa_(mantissa), exponent_(exponent) {
    Normalise();
}

void WideNumber::Normalise() {
    if (mantissa_ == 0) {
        exponent_ = 0;
        return;
    }
    if (mantissa_ >= 1 && mantissa_ < 10)
        return; // sums and products of normalised numbers mostly stay or step once
    const auto shift = static_cast<std::int64_t>(std::floor(std::log10(mantissa_)));
    mantissa_ /= PowerOfTen(shift);
    exponent_ += shift;
    // log10 may land one off at the edges of [1, 10).
    if (mantissa_ >= 10) {
        mantissa_ /= 10;
        ++exponent_;
    } else if (mantissa_ < 1) {
        mantissa_ *= 10;
        --exponent_;
    }
}

WideNumber WideNumber::FromTopLimbs(LimbSpan top, std::size_t below) {
    long double value = 0;
    for (std::size_t i = top.size(); i-- > 0;)
        value = value * kLimbBase + top[i];
    if (value == 0)
        return {};
    // The digits of the value, from the limbs', place its decimal point.
    const std::int64_t exponent = static_cast<std::int64_t>(DigitCount(top)) - 1;
    WideNumber number;
    number.mantissa_ = value / PowerOfTen(exponent);
    number.exponent_ = exponent + static_cast<std::int64_t>(below * kLimbDigits);
    number.Normalise();
    return number;
}

WideNumber WideNumber::Of(const Decimal& value) {
    const LimbSpan limbs = value.limbs();
    const std::size_t top = std::min<std::size_t>(limbs.size(), 3);
    return FromTopLimbs(limbs.last(top), limbs.size() - top);
}

long double WideNumber::Value() const {
    return mantissa_ * std::pow(10.0L, static_cast<long double>(exponent_));
}

WideNumber operator+(const WideNumber& a, const WideNumber& b) {
    if (a.IsZero())
        return b;
    if (b.IsZero())
        return a;
    const WideNumber& larger = a.exponent_ >= b.exponent_ ? a : b;
    const WideNumber& smaller = a.exponent_ >= b.exponent_ ? b : a;
    const std::int64_t gap = larger.exponent_ - smaller.exponent_;
    if (gap > kNegligible)
        return larger;
    return WideNumber(larger.mantissa_ + smaller.mantissa_ / PowerOfTen(gap), larger.exponent_);
}

WideNumber operator*(const WideNumber& a, const WideNumber& b) {
    if (a.IsZero() || b.IsZero())
        return {};
    return WideNumber(a.mantissa_ * b.mantissa_, a.exponent_ + b.exponent_);
}

WideNumber operator/(const WideNumber& a, const WideNumber& b) {
    if (a.IsZero())
        return {};
    return WideNumber(a.mantissa_ / b.mantissa_, a.exponent_ - b.exponent_);
}

WideNumber OneMinus(const WideNumber& x) {
    if (x.exponent_ < -kNegligible)
        return WideNumber(1.0L);
    return WideNumber(1.0L - x.mantissa_ * PowerOfTen(x.exponent_));
}

std::string WideNumber::Format(int digits, char decimalSeparator) const {
    if (IsZero())
        return "0";
    // The mantissa rounded to `digits` digits, as an integer; rounding may carry into a digit
    // more.
    std::int64_t exponent = exponent_;
    auto scaled = static_cast<std::uint64_t>(std::llround(mantissa_ * PowerOfTen(digits - 1)));
    if (scaled >= static_cast<std::uint64_t>(std::llround(PowerOfTen(digits)))) {
        scaled /= 10;
        ++exponent;
    }
    std::string significant = std::to_string(scaled);
    while (significant.size() > 1 && significant.back() == '0')
        significant.pop_back();

    // Built by appending: GCC 12 warns, wrongly, of overlapping copies in prepending to a
    // temporary string (-Wrestrict).
    std::string text;
    if (exponent < -4 || exponent >= digits) {
        text = significant.substr(0, 1);
        if (significant.size() > 1) {
            text += decimalSeparator;
            text.append(significant, 1);
        }
        text += 'E';
        text += std::to_string(exponent);
    } else if (exponent < 0) {
        text = "0";
        text += decimalSeparator;
        text.append(static_cast<std::size_t>(-exponent - 1), '0');
        text += significant;
    } else {
        const std::size_t whole = static_cast<std::size_t>(exponent) + 1;
        if (significant.size() <= whole) {
            text = significant + std::string(whole - significant.size(), '0');
        } else {
            text = significant.substr(0, whole) + decimalSeparator + significant.substr(whole);
        }
    }
    return text;
}

} // namespace dorvanel
