#include "count_recurrence.h"

#include "vector_division.h"

#include <algorithm>
#include <cstring>

namespace dorvanel {
namespace {

__extension__ typedef unsigned __int128 UInt128;

constexpr std::uint64_t kBase = kLimbBase;
constexpr std::uint64_t kBaseSquared = kBase * kBase;

// Limb sums lie in (−2^63, 2^63); shifting by this multiple of the base makes them
// non-negative, so the carry is an unsigned division by a constant.
constexpr std::int64_t kCarryShift = std::int64_t{1} << 33;
constexpr std::uint64_t kSumShift = static_cast<std::uint64_t>(kCarryShift) * kBase;

struct CarryingWriter {
    std::uint32_t* out;
    std::int64_t carry = 0;

    void Put(std::size_t i, std::int64_t sum) {
        const std::uint64_t shifted = static_cast<std::uint64_t>(sum + carry) + kSumShift;
        const std::uint64_t high = shifted / kBase;
        out[i] = static_cast<std::uint32_t>(shifted - high * kBase);
        carry = static_cast<std::int64_t>(high) - kCarryShift;
    }
};

} // namespace

NumeratorBuilder::NumeratorBuilder(std::size_t maxLimbs) : y_(maxLimbs), z_(maxLimbs) {}

std::size_t NumeratorBuilder::Build(std::uint64_t a, LimbSpan x, std::uint64_t b, LimbSpan y,
                                    std::uint64_t c, LimbSpan z, std::uint32_t* numerator) {
    const std::size_t length = x.size();
    std::copy(y.begin(), y.end(), y_.begin());
    std::fill(y_.begin() + static_cast<std::ptrdiff_t>(y.size()),
              y_.begin() + static_cast<std::ptrdiff_t>(length), 0);
    std::copy(z.begin(), z.end(), z_.begin());
    std::fill(z_.begin() + static_cast<std::ptrdiff_t>(z.size()),
              z_.begin() + static_cast<std::ptrdiff_t>(length), 0);
    const auto sa = static_cast<std::int64_t>(a);
    const auto sb = static_cast<std::int64_t>(b);
    const auto sc = static_cast<std::int64_t>(c);
    auto term = [&](std::size_t i) { return sa * x[i] + sb * y_[i] - sc * z_[i]; };

    // The carry is a chain through every limb; two halves carried side by side take half the
    // time, and the lower half's final carry is then added into the upper one.
    const std::size_t middle = length / 2;
    CarryingWriter low{numerator};
    CarryingWriter high{numerator};
    for (std::size_t k = 0; k < middle; ++k) {
        low.Put(k, term(k));
        high.Put(middle + k, term(middle + k));
    }
    if (length % 2 == 1)
        high.Put(length - 1, term(length - 1));
    CarryingWriter joined{numerator, low.carry};
    std::size_t i = middle;
    for (; joined.carry != 0 && i < length; ++i)
        joined.Put(i, numerator[i]);
    joined.carry += high.carry;
    for (i = length; joined.carry != 0; ++i)
        joined.Put(i, 0);
    return i;
}

std::size_t DivideExactly(const std::uint32_t* numerator, std::size_t limbs, std::uint32_t divisor,
                          std::uint32_t* quotient) {
    if (VectorDivisionFits(limbs, divisor)) {
        DivideExactlyInLanes(numerator, limbs, divisor, quotient);
    } else if (divisor == 1) {
        std::memcpy(quotient, numerator, limbs * sizeof(std::uint32_t));
    } else {
        // From the top, two limbs (18 digits) at a time. With 10^18 = Q·d + R, the pair
        // r·10^18 + P divides as r·Q + (r·R + P) / d, and r·R + P stays below 2^63, where a
        // multiplication by floor((2^64 − 1) / d) gives the quotient or one less.
        const std::uint64_t d = divisor;
        const std::uint64_t pairQuotient = kBaseSquared / d;
        const std::uint64_t pairRemainder = kBaseSquared % d;
        const std::uint64_t reciprocal = ~std::uint64_t{0} / d;
        std::uint64_t r = 0;
        std::size_t i = limbs;
        if (i % 2 == 1) {
            --i;
            quotient[i] = static_cast<std::uint32_t>(numerator[i] / d);
            r = numerator[i] % d;
        }
        while (i > 0) {
            i -= 2;
            const std::uint64_t pair = numerator[i + 1] * kBase + numerator[i];
            const std::uint64_t v = r * pairRemainder + pair;
            std::uint64_t q = static_cast<std::uint64_t>((UInt128{v} * reciprocal) >> 64);
            std::uint64_t rest = v - q * d;
            const std::uint64_t correction = 0 - static_cast<std::uint64_t>(rest >= d);
            rest -= d & correction;
            q -= correction;
            q += r * pairQuotient;
            r = rest;
            quotient[i + 1] = static_cast<std::uint32_t>(q / kBase);
            quotient[i] = static_cast<std::uint32_t>(q % kBase);
        }
    }
    while (limbs > 1 && quotient[limbs - 1] == 0)
        --limbs;
    return limbs;
}

RecurrenceStep ForwardStep(std::int64_t dice, std::int64_t faces, std::int64_t j) {
    const std::int64_t n = dice;
    const std::int64_t d = faces;
    return {static_cast<std::uint64_t>(j + n), static_cast<std::uint64_t>(n * d - n + d - j),
            static_cast<std::uint64_t>(n * d + d - 1 - j), static_cast<std::uint32_t>(j + 1)};
}

RecurrenceStep BackwardStep(std::int64_t dice, std::int64_t faces, std::int64_t j) {
    const std::int64_t n = dice;
    const std::int64_t d = faces;
    return {static_cast<std::uint64_t>(j + 1), static_cast<std::uint64_t>(n * d + d - 1 - j),
            static_cast<std::uint64_t>(j + n), static_cast<std::uint32_t>(n * d - n + d - j)};
}

} // namespace dorvanel
