// SPDX-License-Identifier: MIT
#include "pool_recurrence.h"

#include "errors.h"

#include <cstring>
#include <limits>
#include <map>
#include <numeric>
#include <set>
#include <string>

namespace dorvanel {
namespace {

__extension__ typedef __int128 Int128;

// Sparse: a product of k factors 1 − x^D has at most 2^k terms, however large D is.
using Polynomial = std::map<std::int64_t, Int128>;

std::int64_t Checked(Int128 value) {
    if (value < std::numeric_limits<std::int64_t>::min() ||
        value > std::numeric_limits<std::int64_t>::max())
        throw PoolLimitError("these dice are of too many different sizes to be counted exactly");
    return static_cast<std::int64_t>(value);
}

Polynomial Times(const Polynomial& p, const Polynomial& factor) {
    Polynomial product;
    for (const auto& [power, coefficient] : p)
        for (const auto& [factorPower, factorCoefficient] : factor)
            product[power + factorPower] += coefficient * factorCoefficient;
    std::erase_if(product, [](const auto& term) { return Checked(term.second) == 0; });
    return product;
}

Polynomial OneMinusPower(std::int64_t d) {
    return {{0, 1}, {d, -1}};
}

// A success group's factor with the common factor of its coefficients taken out.
struct SuccessFactor {
    std::int32_t count;
    std::int64_t failures;
    std::int64_t successes;
    Polynomial Factor() const { return {{0, failures}, {1, successes}}; }
};

} // namespace

PoolRecurrence::PoolRecurrence(const DicePool& pool) {
    std::int64_t dice = 0;
    Polynomial plain{{0, 1}}; // P
    for (const DiceGroup& group : pool.Groups()) {
        dice += group.count;
        spread_ += std::int64_t{group.count} * (group.faces - 1);
        plain = Times(plain, OneMinusPower(group.faces));
    }
    // A group where no face, or every face, succeeds has one value: it only multiplies.
    std::vector<SuccessFactor> successes;
    for (const SuccessGroup& group : pool.Successes()) {
        const std::int32_t faces = group.successes + group.failures;
        if (group.successes == 0 || group.failures == 0) {
            start_ = start_ * Decimal::Power(static_cast<std::uint32_t>(faces),
                                             static_cast<std::uint32_t>(group.count));
            continue;
        }
        start_ = start_ * Decimal::Power(static_cast<std::uint32_t>(group.failures),
                                         static_cast<std::uint32_t>(group.count));
        const std::int64_t common = std::gcd(group.successes, group.failures);
        successes.push_back({group.count, group.failures / common, group.successes / common});
        spread_ += group.count;
        symmetric_ &= group.successes == group.failures;
        if (group.failures / common > 1)
            leadingFactors_.push_back(static_cast<std::uint32_t>(group.failures / common));
    }
    symmetric_ &= pool.Kept().empty();

    auto allSuccessesBut = [&successes](std::size_t skipped) {
        Polynomial product{{0, 1}};
        for (std::size_t k = 0; k < successes.size(); ++k)
            if (k != skipped)
                product = Times(product, successes[k].Factor());
        return product;
    };
    const Polynomial allSuccesses = allSuccessesBut(successes.size());
    const Polynomial plainAndSuccesses = Times(plain, allSuccesses);
    const Polynomial q = Times(plainAndSuccesses, OneMinusPower(1));
    Polynomial r;
    for (const auto& [power, coefficient] : plainAndSuccesses)
        r[power] += Int128{dice} * coefficient;
    const std::vector<DiceGroup>& groups = pool.Groups();
    for (std::size_t i = 0; i < groups.size(); ++i) {
        Polynomial others = Times(OneMinusPower(1), allSuccesses);
        for (std::size_t j = 0; j < groups.size(); ++j)
            if (j != i)
                others = Times(others, OneMinusPower(groups[j].faces));
        const Int128 weight = Int128{groups[i].count} * groups[i].faces;
        for (const auto& [power, coefficient] : others)
            Checked(r[power + groups[i].faces - 1] -= weight * coefficient);
    }
    for (std::size_t k = 0; k < successes.size(); ++k) {
        const Polynomial others = Times(Times(plain, OneMinusPower(1)), allSuccessesBut(k));
        const Int128 weight = Int128{successes[k].count} * successes[k].successes;
        for (const auto& [power, coefficient] : others)
            Checked(r[power] += weight * coefficient);
    }

    // Σ_s (R_s + s·Q_(s+1) − Q_(s+1)·n)·g(n − s), every coefficient within 64 bits for all n
    // up to the spread.
    std::set<std::int64_t> offsets;
    for (const auto& [power, coefficient] : r)
        offsets.insert(power);
    for (const auto& [power, coefficient] : q)
        if (power > 0)
            offsets.insert(power - 1);
    const auto at = [](const Polynomial& p, std::int64_t power) {
        const auto term = p.find(power);
        return term == p.end() ? Int128{0} : term->second;
    };
    for (const std::int64_t s : offsets) {
        const Int128 slope = at(q, s + 1);
        const Int128 base = at(r, s) + static_cast<Int128>(s) * slope;
        if (base == 0 && slope == 0)
            continue;
        Checked((base < 0 ? -base : base) + (slope < 0 ? -slope : slope) * spread_);
        terms_.push_back({s, Checked(base), Checked(slope)});
        reach_ = s;
    }
}

RecurrenceStep::RecurrenceStep(std::size_t capacity)
    : capacity_(capacity), numerator_(capacity), partial_(capacity) {}

std::size_t RecurrenceStep::Finish(const PoolRecurrence& recurrence, std::int64_t divisor,
                                   std::uint32_t* out) {
    std::size_t limbs = combiner_.Combine(scaled_, numerator_.data(), capacity_);
    if (divisor < 1 || divisor > std::numeric_limits<std::int32_t>::max())
        throw InternalError("a step of the recurrence divides by " + std::to_string(divisor));
    // Divided by n + 1 and Q_0's factors, several at once while their product stays below
    // 2^31.
    std::uint64_t pending = static_cast<std::uint64_t>(divisor);
    for (const std::uint32_t factor : recurrence.LeadingFactors()) {
        if (pending * factor <= std::numeric_limits<std::int32_t>::max()) {
            pending *= factor;
            continue;
        }
        limbs = DivideExactly(numerator_.data(), limbs, static_cast<std::uint32_t>(pending),
                              partial_.data());
        std::swap(numerator_, partial_);
        pending = factor;
    }
    return DivideExactly(numerator_.data(), limbs, static_cast<std::uint32_t>(pending), out);
}

} // namespace dorvanel
