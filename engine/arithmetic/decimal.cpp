// SPDX-License-Identifier: MIT
#include "decimal.h"

#include "errors.h"
#include "limb_kernels.h"
#include "power_by_squaring.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace dorvanel {
namespace {

constexpr char kDigitPairs[] = "00010203040506070809"
                               "10111213141516171819"
                               "20212223242526272829"
                               "30313233343536373839"
                               "40414243444546474849"
                               "50515253545556575859"
                               "60616263646566676869"
                               "70717273747576777879"
                               "80818283848586878889"
                               "90919293949596979899";

void WritePair(char* out, std::uint32_t pair) {
    std::memcpy(out, kDigitPairs + 2 * pair, 2);
}

// All nine digits of a limb, leading zeros included.
void WriteNineDigits(char* out, std::uint32_t limb) {
    const std::uint32_t high = limb / 10000;
    const std::uint32_t low = limb % 10000;
    out[0] = static_cast<char>('0' + high / 10000);
    const std::uint32_t highLow = high % 10000;
    WritePair(out + 1, highLow / 100);
    WritePair(out + 3, highLow % 100);
    WritePair(out + 5, low / 100);
    WritePair(out + 7, low % 100);
}

std::size_t LimbDigitCount(std::uint32_t limb) {
    std::size_t n = 1;
    for (std::uint32_t bound = 10; n < kLimbDigits && limb >= bound; bound *= 10)
        ++n;
    return n;
}

} // namespace

std::size_t DigitCount(LimbSpan limbs) {
    return (limbs.size() - 1) * kLimbDigits + LimbDigitCount(limbs.back());
}

std::size_t WriteDigits(LimbSpan limbs, char* out) {
    char top[kLimbDigits];
    WriteNineDigits(top, limbs.back());
    const std::size_t topDigits = LimbDigitCount(limbs.back());
    std::memcpy(out, top + kLimbDigits - topDigits, topDigits);
    char* p = out + topDigits;
    for (std::size_t i = limbs.size() - 1; i-- > 0; p += kLimbDigits)
        WriteNineDigits(p, limbs[i]);
    return static_cast<std::size_t>(p - out);
}

std::string LeadingDigits(LimbSpan limbs, std::size_t k) {
    // Only the top limbs that can hold the first k digits are converted.
    const std::size_t needed = std::min(limbs.size(), k / kLimbDigits + 2);
    const LimbSpan top = limbs.subspan(limbs.size() - needed);
    std::string digits(DigitCount(top), '0');
    WriteDigits(top, digits.data());
    digits.resize(std::min(k, digits.size()));
    return digits;
}

std::uint32_t LeadingDigitsValue(LimbSpan limbs, std::size_t k) {
    constexpr std::uint32_t kPowersOfTen[] = {
        1, 10, 100, 1'000, 10'000, 100'000, 1'000'000, 10'000'000, 100'000'000, kLimbBase};
    if (k > kLimbDigits)
        throw std::out_of_range("at most nine leading digits fit a limb");
    const std::uint32_t top = limbs.back();
    const std::size_t topDigits = LimbDigitCount(top);
    if (k <= topDigits || limbs.size() == 1)
        return top / kPowersOfTen[topDigits - std::min(k, topDigits)];
    const std::size_t fromNext = k - topDigits;
    return top * kPowersOfTen[fromNext] +
           limbs[limbs.size() - 2] / kPowersOfTen[kLimbDigits - fromNext];
}

Decimal::Decimal(std::uint64_t value) : limbs_{} {
    do {
        limbs_.push_back(static_cast<std::uint32_t>(value % kLimbBase));
        value /= kLimbBase;
    } while (value != 0);
}

Decimal Decimal::FromDigits(std::string_view digits) {
    if (digits.empty() ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        throw ConvertError("'" + std::string(digits) + "' is not a digit string");
    Decimal result;
    result.limbs_.clear();
    for (std::size_t end = digits.size(); end > 0;) {
        const std::size_t begin = end > kLimbDigits ? end - kLimbDigits : 0;
        std::uint32_t limb = 0;
        for (std::size_t i = begin; i < end; ++i)
            limb = limb * 10 + static_cast<std::uint32_t>(digits[i] - '0');
        result.limbs_.push_back(limb);
        end = begin;
    }
    result.Trim();
    return result;
}

Decimal Decimal::FromLimbs(LimbSpan limbs) {
    Decimal result;
    result.limbs_.assign(limbs.begin(), limbs.end());
    if (result.limbs_.empty())
        result.limbs_.push_back(0);
    result.Trim();
    return result;
}

Decimal Decimal::Power(std::uint32_t base, std::uint32_t exponent) {
    return PowerBySquaring(Decimal(base), exponent, Decimal(1),
                           [](const Decimal& a, const Decimal& b) { return a * b; });
}

Decimal& Decimal::MultiplyBy(std::uint32_t factor) {
    std::uint64_t carry = 0;
    for (std::uint32_t& limb : limbs_) {
        const std::uint64_t product = std::uint64_t{limb} * factor + carry;
        limb = static_cast<std::uint32_t>(product % kLimbBase);
        carry = product / kLimbBase;
    }
    for (; carry != 0; carry /= kLimbBase)
        limbs_.push_back(static_cast<std::uint32_t>(carry % kLimbBase));
    Trim();
    return *this;
}

std::vector<std::uint32_t> MultiplyLimbs(LimbSpan a, LimbSpan b) {
    // Schoolbook product; each column gathers at most a few limb products before it is
    // carried, so a 64-bit accumulator never overflows.
    std::vector<std::uint64_t> columns(a.size() + b.size() + 1, 0);
    for (std::size_t i = 0; i < a.size(); ++i) {
        std::uint64_t carry = 0;
        const std::uint64_t ai = a[i];
        for (std::size_t j = 0; j < b.size(); ++j) {
            const std::uint64_t t = columns[i + j] + ai * b[j] + carry;
            columns[i + j] = t % kLimbBase;
            carry = t / kLimbBase;
        }
        for (std::size_t k = i + b.size(); carry != 0; ++k) {
            const std::uint64_t t = columns[k] + carry;
            columns[k] = t % kLimbBase;
            carry = t / kLimbBase;
        }
    }
    std::vector<std::uint32_t> product(columns.begin(), columns.end());
    while (product.size() > 1 && product.back() == 0)
        product.pop_back();
    return product;
}

Decimal& Decimal::DivideExactlyBy(std::uint32_t divisor) {
    const std::vector<std::uint32_t> numerator = limbs_;
    limbs_.resize(DivideExactly(limbs_.data(), numerator.data(), numerator.size(), divisor));
    return *this;
}

Decimal& Decimal::operator+=(const Decimal& other) {
    if (other.limbs_.size() > limbs_.size())
        limbs_.resize(other.limbs_.size(), 0);
    std::uint32_t carry = 0;
    for (std::size_t i = 0; i < limbs_.size() && (i < other.limbs_.size() || carry != 0); ++i) {
        std::uint32_t sum = limbs_[i] + carry + (i < other.limbs_.size() ? other.limbs_[i] : 0);
        carry = sum >= kLimbBase;
        limbs_[i] = carry ? sum - kLimbBase : sum;
    }
    if (carry != 0)
        limbs_.push_back(carry);
    return *this;
}

Decimal& Decimal::operator-=(const Decimal& other) {
    if (*this < other)
        throw InternalError("a difference of counts that must be positive is negative");
    std::uint32_t borrow = 0;
    for (std::size_t i = 0; i < limbs_.size() && (i < other.limbs_.size() || borrow != 0); ++i) {
        const std::uint32_t take = borrow + (i < other.limbs_.size() ? other.limbs_[i] : 0);
        borrow = limbs_[i] < take;
        limbs_[i] = borrow ? limbs_[i] + kLimbBase - take : limbs_[i] - take;
    }
    Trim();
    return *this;
}

Decimal operator*(const Decimal& a, const Decimal& b) {
    Decimal product;
    product.limbs_ = MultiplyLimbs(a.limbs_, b.limbs_);
    return product;
}

std::strong_ordering operator<=>(const Decimal& a, const Decimal& b) {
    if (a.limbs_.size() != b.limbs_.size())
        return a.limbs_.size() <=> b.limbs_.size();
    return std::lexicographical_compare_three_way(a.limbs_.rbegin(), a.limbs_.rend(),
                                                  b.limbs_.rbegin(), b.limbs_.rend());
}

std::string Decimal::ToString() const {
    std::string digits(DigitCount(), '0');
    WriteDigits(limbs_, digits.data());
    return digits;
}

void Decimal::Trim() {
    while (limbs_.size() > 1 && limbs_.back() == 0)
        limbs_.pop_back();
}

} // namespace dorvanel
