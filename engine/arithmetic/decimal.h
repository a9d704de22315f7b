// SPDX-License-Identifier: MIT
// Exact non-negative integers in base 10^9 limbs, least significant limb first. Decimal limbs
// make the digit string, its length and its leading digits cheap to produce.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace dorvanel {

inline constexpr std::uint32_t kLimbBase = 1'000'000'000;
inline constexpr std::size_t kLimbDigits = 9;

// A normalised number: no zero limb at the top, and zero is the single limb 0.
using LimbSpan = std::span<const std::uint32_t>;

std::size_t DigitCount(LimbSpan limbs);

// Writes the digit string, without a terminator, and returns its length (DigitCount).
std::size_t WriteDigits(LimbSpan limbs, char* out);

// The first min(k, DigitCount) digits.
std::string LeadingDigits(LimbSpan limbs, std::size_t k);

// The same digits as a number, for k up to kLimbDigits; a larger k throws std::out_of_range.
// Read from the top two limbs, so a caller scanning many counts builds no strings.
std::uint32_t LeadingDigitsValue(LimbSpan limbs, std::size_t k);

// The product of two numbers, normalised.
std::vector<std::uint32_t> MultiplyLimbs(LimbSpan a, LimbSpan b);

class Decimal {
public:
    Decimal() : limbs_{0} {}
    explicit Decimal(std::uint64_t value);

    // Throws ConvertError unless the text is one or more decimal digits.
    static Decimal FromDigits(std::string_view digits);
    // The number with these limbs, least significant first.
    static Decimal FromLimbs(LimbSpan limbs);
    static Decimal Power(std::uint32_t base, std::uint32_t exponent);

    Decimal& MultiplyBy(std::uint32_t factor);
    // Exact division by a divisor below 2^31 that divides this number; InternalError otherwise.
    Decimal& DivideExactlyBy(std::uint32_t divisor);
    Decimal& operator+=(const Decimal& other);
    // For a result that cannot be negative; InternalError if it would be.
    Decimal& operator-=(const Decimal& other);
    friend Decimal operator*(const Decimal& a, const Decimal& b);
    friend std::strong_ordering operator<=>(const Decimal& a, const Decimal& b);
    friend bool operator==(const Decimal& a, const Decimal& b) = default;

    LimbSpan limbs() const { return limbs_; }
    std::size_t DigitCount() const { return dorvanel::DigitCount(limbs_); }
    std::string ToString() const;

private:
    void Trim();
    std::vector<std::uint32_t> limbs_;
};

} // namespace dorvanel
