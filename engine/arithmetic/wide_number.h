// SPDX-License-Identifier: MIT
// Non-negative numbers far beyond the range of any floating type, m · 10^e with an extended
// mantissa and a 64-bit exponent: for shares of D^N outcomes, which reach 10^-30000 and below.
// Arithmetic keeps about 19 significant digits.
#pragma once

#include "decimal.h"

#include <cstdint>
#include <string>

namespace dorvanel {

class WideNumber {
public:
    WideNumber() = default;
    explicit WideNumber(long double value);
    // The count with these top limbs and `below` limbs under them, cut after the top limbs.
    static WideNumber FromTopLimbs(LimbSpan top, std::size_t below);
    // A number from its top limbs.
    static WideNumber Of(const Decimal& value);

    bool IsZero() const { return mantissa_ == 0; }
    // m in [1, 10) and e with the value m · 10^e; zero has m = 0.
    long double Mantissa() const { return mantissa_; }
    std::int64_t Exponent() const { return exponent_; }
    // As an extended value: 0 below its range, infinite beyond it.
    long double Value() const;

    friend WideNumber operator+(const WideNumber& a, const WideNumber& b);
    friend WideNumber operator*(const WideNumber& a, const WideNumber& b);
    friend WideNumber operator/(const WideNumber& a, const WideNumber& b);
    // 1 − x for x from 0 to 1.
    friend WideNumber OneMinus(const WideNumber& x);

    // `digits` significant digits, trailing zeros dropped; plain from 10^-4 up to
    // 10^digits, else a mantissa, a capital E and the exponent ("1.23457E-7782").
    std::string Format(int digits, char decimalSeparator = '.') const;

private:
    WideNumber(long double mantissa, std::int64_t exponent);
    void Normalise();

    long double mantissa_ = 0;
    std::int64_t exponent_ = 0;
};

} // namespace dorvanel
