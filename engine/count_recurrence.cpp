#include "count_recurrence.h"

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

std::size_t CombineCounts(std::uint64_t a, LimbSpan x, std::uint64_t b, LimbSpan y, std::uint64_t c,
                          LimbSpan z, std::uint32_t* numerator) {
    const auto sa = static_cast<std::int64_t>(a);
    const auto sb = static_cast<std::int64_t>(b);
    const auto sc = static_cast<std::int64_t>(c);
    CarryingWriter writer{numerator};
    // y is never longer than z, nor z than x: the counts grow towards the middle.
    std::size_t i = 0;
    for (; i < y.size(); ++i)
        writer.Put(i, sa * x[i] + sb * y[i] - sc * z[i]);
    for (; i < z.size(); ++i)
        writer.Put(i, sa * x[i] - sc * z[i]);
    for (; i < x.size(); ++i)
        writer.Put(i, sa * x[i]);
    for (; writer.carry != 0; ++i)
        writer.Put(i, 0);
    return i;
}

std::size_t DivideExactly(const std::uint32_t* numerator, std::size_t limbs, std::uint32_t divisor,
                          std::uint32_t* quotient) {
    if (divisor == 1) {
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

} // namespace dorvanel
