// SPDX-License-Identifier: MIT
#include "pool_recurrence.h"

#include "errors.h"

#include <algorithm>
#include <limits>
#include <numeric>
#include <string>

namespace dorvanel {
namespace {

__extension__ typedef __int128 Int128;

// Dense, indexed by power: a product of factors 1 − x^D has few terms, but each factor's own
// step is one pass over the product however many there are.
using Polynomial = std::vector<std::int64_t>;

// What a coefficient beyond 64 bits means for this pool, in its own words.
class Limits {
public:
    Limits(const DicePool& pool, std::size_t sizes, std::size_t odds)
        : pool_(pool), sizes_(sizes), odds_(odds) {}

    std::int64_t Checked(Int128 value) const {
        if (value < std::numeric_limits<std::int64_t>::min() ||
            value > std::numeric_limits<std::int64_t>::max())
            Refuse();
        return static_cast<std::int64_t>(value);
    }

private:
    [[noreturn]] void Refuse() const {
        std::string what;
        if (odds_ <= 1)
            what = std::to_string(sizes_) + " different sizes of dice are";
        else if (sizes_ <= 1)
            what = "successes at " + std::to_string(odds_) + " different odds are";
        else
            what = std::to_string(sizes_) + " sizes of dice and successes at " +
                   std::to_string(odds_) + " different odds are";
        throw PoolLimitError(pool_.Description() + ": " + what + " too many to be counted exactly");
    }

    const DicePool& pool_;
    std::size_t sizes_;
    std::size_t odds_;
};

// p·(1 − x^d), in place: from the top down, each coefficient reads one not yet changed.
void TimesOneMinusPower(Polynomial& p, std::int64_t d, const Limits& limits) {
    const auto shift = static_cast<std::size_t>(d);
    p.resize(p.size() + shift, 0);
    for (std::size_t i = p.size(); i-- > shift;)
        p[i] = limits.Checked(Int128{p[i]} - p[i - shift]);
}

// p·(f + s·x), in place.
void TimesLinear(Polynomial& p, std::int64_t f, std::int64_t s, const Limits& limits) {
    p.push_back(0);
    for (std::size_t i = p.size(); i-- > 1;)
        p[i] = limits.Checked(Int128{f} * p[i] + Int128{s} * p[i - 1]);
    p[0] = limits.Checked(Int128{f} * p[0]);
}

// p / (1 − x^d), which divides it: its quotient t has t_i = p_i + t_(i−d), and whatever is left
// above its degree must come out 0.
Polynomial OverOneMinusPower(const Polynomial& p, std::int64_t d, const Limits& limits) {
    const auto shift = static_cast<std::size_t>(d);
    Polynomial t(p.size());
    for (std::size_t i = 0; i < p.size(); ++i)
        t[i] = limits.Checked(Int128{p[i]} + (i >= shift ? t[i - shift] : 0));
    for (std::size_t i = p.size() - shift; i < p.size(); ++i)
        if (t[i] != 0)
            throw InternalError("1 - x^" + std::to_string(d) + " does not divide the product");
    t.resize(p.size() - shift);
    return t;
}

// p / (f + s·x), which divides it: t_i = (p_i − s·t_(i−1)) / f, every division exact.
Polynomial OverLinear(const Polynomial& p, std::int64_t f, std::int64_t s, const Limits& limits) {
    Polynomial t(p.size() - 1);
    Int128 below = 0;
    for (std::size_t i = 0; i < p.size(); ++i) {
        const Int128 rest = Int128{p[i]} - Int128{s} * below;
        if (rest % f != 0 || (i + 1 == p.size() && rest != 0))
            throw InternalError("a factor of successes does not divide the product");
        if (i + 1 < p.size())
            below = t[i] = limits.Checked(rest / f);
    }
    return t;
}

// Σ weight·p·x^shift into `sum`, which is long enough.
void AddScaled(std::vector<Int128>& sum, const Polynomial& p, Int128 weight, std::size_t shift,
               const Limits& limits) {
    for (std::size_t i = 0; i < p.size(); ++i)
        sum[i + shift] = limits.Checked(sum[i + shift] + weight * p[i]);
}

// A factor f + s·x of successes, its coefficients divided by their common factor, and the dice
// of every group that has it.
struct SuccessFactor {
    std::int64_t failures;
    std::int64_t successes;
    std::int64_t count;
};

} // namespace

PoolRecurrence::PoolRecurrence(const DicePool& pool, const std::atomic<bool>* cancel) {
    std::int64_t dice = 0;
    for (const DiceGroup& group : pool.Groups()) {
        dice += group.count;
        spread_ += std::int64_t{group.count} * (group.faces - 1);
    }
    // A group where no face, or every face, succeeds has one value: it only multiplies. Groups
    // of the same odds are one factor, raised to all their dice.
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
        const SuccessFactor factor{group.failures / common, group.successes / common, 0};
        auto same = std::find_if(successes.begin(), successes.end(), [&](const auto& known) {
            return known.failures == factor.failures && known.successes == factor.successes;
        });
        if (same == successes.end())
            same = successes.insert(successes.end(), factor);
        same->count += group.count;
        spread_ += group.count;
        symmetric_ &= group.successes == group.failures;
    }
    symmetric_ &= pool.Kept().empty();
    for (const SuccessFactor& factor : successes)
        if (factor.failures > 1)
            leadingFactors_.push_back(static_cast<std::uint32_t>(factor.failures));

    const std::vector<DiceGroup>& groups = pool.Groups();
    const Limits limits(pool, groups.size(), successes.size());
    // Q = (1 − x)·P·S, then R from Q with each factor divided out in turn.
    Polynomial q{1};
    for (const DiceGroup& group : groups) {
        ThrowIfCancelled(cancel);
        TimesOneMinusPower(q, group.faces, limits);
    }
    for (const SuccessFactor& factor : successes) {
        ThrowIfCancelled(cancel);
        TimesLinear(q, factor.failures, factor.successes, limits);
    }
    const Polynomial plainAndSuccesses = q; // P·S
    TimesOneMinusPower(q, 1, limits);
    std::vector<Int128> r(q.size(), 0);
    AddScaled(r, plainAndSuccesses, dice, 0, limits);
    for (const DiceGroup& group : groups) {
        ThrowIfCancelled(cancel);
        const Int128 weight = -Int128{group.count} * group.faces;
        AddScaled(r, OverOneMinusPower(q, group.faces, limits), weight,
                  static_cast<std::size_t>(group.faces) - 1, limits);
    }
    for (const SuccessFactor& factor : successes) {
        ThrowIfCancelled(cancel);
        AddScaled(r, OverLinear(q, factor.failures, factor.successes, limits),
                  Int128{factor.count} * factor.successes, 0, limits);
    }

    // Σ_s (R_s + s·Q_(s+1) − Q_(s+1)·n)·g(n − s), every coefficient within 64 bits for all n
    // up to the spread.
    for (std::size_t s = 0; s < r.size(); ++s) {
        const Int128 slope = s + 1 < q.size() ? q[s + 1] : 0;
        const Int128 base = r[s] + static_cast<Int128>(s) * slope;
        if (base == 0 && slope == 0)
            continue;
        limits.Checked((base < 0 ? -base : base) + (slope < 0 ? -slope : slope) * spread_);
        terms_.push_back(
            {static_cast<std::int64_t>(s), limits.Checked(base), limits.Checked(slope)});
        reach_ = static_cast<std::int64_t>(s);
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
