// SPDX-License-Identifier: MIT
#include "pool_recurrence.h"

#include "errors.h"

#include <limits>
#include <map>
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

// p·(1 − x^d)
Polynomial TimesOneMinusPower(const Polynomial& p, std::int64_t d) {
    Polynomial product = p;
    for (const auto& [power, coefficient] : p)
        product[power + d] -= coefficient;
    std::erase_if(product, [](const auto& term) { return Checked(term.second) == 0; });
    return product;
}

} // namespace

PoolRecurrence::PoolRecurrence(const std::vector<DiceGroup>& groups) {
    std::int64_t dice = 0;
    Polynomial product{{0, 1}}; // Π (1 − x^D)
    for (const DiceGroup& group : groups) {
        dice += group.count;
        spread_ += std::int64_t{group.count} * (group.faces - 1);
        product = TimesOneMinusPower(product, group.faces);
    }
    const Polynomial q = TimesOneMinusPower(product, 1);
    Polynomial r;
    for (const auto& [power, coefficient] : product)
        r[power] = Int128{dice} * coefficient;
    for (std::size_t i = 0; i < groups.size(); ++i) {
        Polynomial others{{0, 1}, {1, -1}}; // (1 − x)·Π over the other groups
        for (std::size_t j = 0; j < groups.size(); ++j)
            if (j != i)
                others = TimesOneMinusPower(others, groups[j].faces);
        const Int128 weight = Int128{groups[i].count} * groups[i].faces;
        for (const auto& [power, coefficient] : others)
            Checked(r[power + groups[i].faces - 1] -= weight * coefficient);
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

RecurrenceStep::RecurrenceStep(std::size_t capacity) : capacity_(capacity), numerator_(capacity) {}

std::size_t RecurrenceStep::Finish(std::int64_t divisor, std::uint32_t* out) {
    const std::size_t limbs = combiner_.Combine(scaled_, numerator_.data(), capacity_);
    if (divisor < 1 || divisor > std::numeric_limits<std::int32_t>::max())
        throw InternalError("a step of the recurrence divides by " + std::to_string(divisor));
    return DivideExactly(numerator_.data(), limbs, static_cast<std::uint32_t>(divisor), out);
}

} // namespace dorvanel
