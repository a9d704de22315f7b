// SPDX-License-Identifier: MIT
#include "count_limbs.h"

#include <algorithm>
#include <cmath>

namespace dorvanel {
namespace {

constexpr std::int64_t kSamples = 512;

// An upper bound on log10 of the count of total MinValue + j, for j up to half the spread.
// All coefficients of G(x) = Π A(x)^N, A(x) = 1 + x + … + x^(D−1), are non-negative, so for
// every x in (0, 1): count(j)·x^j <= G(x). With x = e^−u the bound is Σ N·ln A + j·u, smallest
// where the tilted dice's mean faces, less one each, add up to j; bisection finds that u. Any
// u gives a valid bound, so rounding in the search only loosens it.
double LogCountBound(const DicePool& pool, std::uint64_t j) {
    const double fullLog10 = OutcomesLog10(pool);
    // The bound below is for sums of plain dice only.
    if (!pool.Successes().empty() || !pool.Kept().empty() || !pool.Ratios().empty())
        return fullLog10;
    if (j == 0)
        return 0.0;
    if (static_cast<double>(j) >= static_cast<double>(pool.Spread()) / 2)
        return fullLog10;

    auto tiltedExcess = [&pool](double u) {
        double excess = 0;
        for (const DiceGroup& group : pool.Groups()) {
            const double d = group.faces;
            excess += group.count * (1 / std::expm1(u) - d / std::expm1(d * u));
        }
        return excess;
    };
    auto bound = [&](double u) {
        double log = static_cast<double>(j) * u;
        for (const DiceGroup& group : pool.Groups())
            log +=
                group.count * (std::log(-std::expm1(-group.faces * u)) - std::log(-std::expm1(-u)));
        return log / std::log(10.0);
    };
    const double target = static_cast<double>(j);
    double low = 0.0, high = 60.0;
    for (int i = 0; i < 48; ++i) {
        const double mid = (low + high) / 2;
        (tiltedExcess(mid) > target ? low : high) = mid;
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

Decimal ExactOutcomes(const DicePool& pool) {
    Decimal outcomes(1);
    for (const DiceGroup& group : pool.OutcomeFactors())
        outcomes = outcomes * Decimal::Power(static_cast<std::uint32_t>(group.faces),
                                             static_cast<std::uint32_t>(group.count));
    return outcomes;
}

double OutcomesLog10(const DicePool& pool) {
    double log = 0;
    for (const DiceGroup& group : pool.OutcomeFactors())
        log += group.count * std::log10(static_cast<double>(group.faces));
    return log;
}

std::uint64_t WorkingLimbs(const DicePool& pool) {
    return LimbsForLog10(OutcomesLog10(pool)) + 2;
}

std::uint64_t CountLimbsBound(const DicePool& pool, std::uint64_t j) {
    return LimbsForLog10(LogCountBound(pool, j));
}

CountLimbsProfile::CountLimbsProfile(const DicePool& pool, std::int64_t last) : last_(last) {
    const std::int64_t samples = std::min(kSamples, last + 1);
    for (std::int64_t s = 0; s < samples; ++s)
        ends_.push_back(last * (s + 1) / samples);
    for (const std::int64_t end : ends_)
        limbs_.push_back(CountLimbsBound(pool, static_cast<std::uint64_t>(end)));
}

std::uint64_t CountLimbsProfile::At(std::int64_t j) const {
    const auto sample = std::lower_bound(ends_.begin(), ends_.end(), std::min(j, last_));
    return limbs_[static_cast<std::size_t>(sample - ends_.begin())];
}

std::uint64_t CountLimbsProfile::Total() const {
    std::uint64_t total = 0;
    std::int64_t previous = -1;
    for (std::size_t s = 0; s < ends_.size(); ++s) {
        total += static_cast<std::uint64_t>(ends_[s] - previous) * limbs_[s];
        previous = ends_[s];
    }
    return total;
}

} // namespace dorvanel
