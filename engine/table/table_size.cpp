#include "table_size.h"

#include "count_sums.h"
#include "decimal.h"

#include <algorithm>
#include <cmath>

namespace dorvanel {
namespace {

// Below this a table is sized by its crudest bound: every count as long as D^N.
constexpr std::uint64_t kCrudeBoundBytes = std::uint64_t{64} << 20;
constexpr std::uint64_t kSampleSegments = 512;

// An upper bound on log10 of the count of total dice + j, for j up to half the spread.
// All coefficients of A(x)^N, A(x) = 1 + x + … + x^(D-1), are non-negative, so for every
// x in (0, 1): count(j)·x^j <= A(x)^N. With x = e^-u the bound is N·ln A + j·u, smallest
// where the mean face of the tilted die, minus one, equals j / N; bisection finds that u.
// Any u gives a valid bound, so rounding in the search only loosens it.
double LogCountBound(std::int32_t dice, std::int32_t faces, std::uint64_t j) {
    const double n = dice;
    const double d = faces;
    const double fullLog10 = n * std::log10(d);
    if (j == 0)
        return 0.0;
    if (static_cast<double>(j) >= n * (d - 1) / 2)
        return fullLog10;

    auto tiltedMeanMinusOne = [d](double u) { return 1 / std::expm1(u) - d / std::expm1(d * u); };
    auto bound = [&](double u) {
        const double logA = std::log(-std::expm1(-d * u)) - std::log(-std::expm1(-u));
        return (n * logA + static_cast<double>(j) * u) / std::log(10.0);
    };
    const double target = static_cast<double>(j) / n;
    double low = 0.0, high = 60.0;
    for (int i = 0; i < 48; ++i) {
        const double mid = (low + high) / 2;
        (tiltedMeanMinusOne(mid) > target ? low : high) = mid;
    }
    const double u = (low + high) / 2;
    return std::min(fullLog10, bound(u > 0 ? u : high));
}

std::uint64_t LimbsForLog10(double log10Bound) {
    // A count below 10^F has at most floor(F) + 1 digits; the margin covers rounding.
    const double margin = 1e-9 * log10Bound + 1e-6;
    return static_cast<std::uint64_t>((log10Bound + margin) / kLimbDigits) + 1;
}

} // namespace

std::uint64_t CountLimbsBound(std::int32_t dice, std::int32_t faces, std::uint64_t j) {
    return LimbsForLog10(LogCountBound(dice, faces, j));
}

std::uint64_t WorkingLimbs(std::int32_t dice, std::int32_t faces) {
    return LimbsForLog10(dice * std::log10(static_cast<double>(faces))) + 2;
}

TableSize EstimateTableSize(std::int32_t dice, std::int32_t faces) {
    TableSize size;
    const std::uint64_t half = static_cast<std::uint64_t>(dice) * (faces - 1) / 2;
    size.entries = half + 1;
    const std::uint64_t overheadBytes = (size.entries + 1) * sizeof(std::uint64_t) +
                                        2 * WorkingLimbs(dice, faces) * sizeof(std::uint32_t) +
                                        CountSums::BytesFor(size.entries);

    const std::uint64_t longest = WorkingLimbs(dice, faces) - 2;
    size.limbs = size.entries * longest;
    if (size.limbs * sizeof(std::uint32_t) > kCrudeBoundBytes) {
        // The bound grows with j up to the middle: each segment of totals is charged at the
        // bound of its last total.
        std::uint64_t limbs = CountLimbsBound(dice, faces, 0);
        const std::uint64_t segments = std::min(kSampleSegments, half);
        std::uint64_t previous = 0;
        for (std::uint64_t s = 1; s <= segments; ++s) {
            const std::uint64_t end = half * s / segments;
            limbs += (end - previous) * CountLimbsBound(dice, faces, end);
            previous = end;
        }
        size.limbs = std::min(size.limbs, limbs);
    }
    size.bytes = size.limbs * sizeof(std::uint32_t) + overheadBytes;
    return size;
}

} // namespace dorvanel
