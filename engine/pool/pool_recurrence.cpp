// SPDX-License-Identifier: MIT
#include "pool_recurrence.h"

#include "errors.h"
#include "power_by_squaring.h"

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
        : pool_(pool), sizes_(sizes), odds_(odds), exploding_(pool.Ratios().size()) {}

    std::int64_t Checked(Int128 value) const {
        if (value < std::numeric_limits<std::int64_t>::min() ||
            value > std::numeric_limits<std::int64_t>::max())
            Refuse();
        return static_cast<std::int64_t>(value);
    }

private:
    [[noreturn]] void Refuse() const {
        std::string what;
        if (exploding_ > 0)
            what = std::to_string(sizes_ + odds_ + exploding_) +
                   " kinds of dice, exploding ones among them, are";
        else if (odds_ <= 1)
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
    std::size_t exploding_;
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

// p·f, in place, for any f.
void TimesPolynomial(Polynomial& p, const Polynomial& f, const Limits& limits) {
    std::vector<Int128> product(p.size() + f.size() - 1, 0);
    for (std::size_t i = 0; i < p.size(); ++i)
        if (p[i] != 0)
            for (std::size_t j = 0; j < f.size(); ++j)
                product[i + j] = limits.Checked(product[i + j] + Int128{p[i]} * f[j]);
    p.assign(product.begin(), product.end());
}

// p / f, which divides it: t_i = (p_i − Σ_(j ≥ 1) f_j·t_(i−j)) / f_0, every division exact.
Polynomial OverPolynomial(const Polynomial& p, const Polynomial& f, const Limits& limits) {
    const std::size_t degree = f.size() - 1;
    std::vector<Int128> rest(p.begin(), p.end());
    Polynomial t(p.size() - degree, 0);
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (rest[i] % f[0] != 0)
            throw InternalError("a die's factor does not divide the product");
        t[i] = limits.Checked(rest[i] / f[0]);
        if (t[i] != 0)
            for (std::size_t j = 1; j <= degree; ++j)
                rest[i + j] = limits.Checked(rest[i + j] - Int128{t[i]} * f[j]);
    }
    for (std::size_t i = t.size(); i < rest.size(); ++i)
        if (rest[i] != 0)
            throw InternalError("a die's factor does not divide the product");
    return t;
}

// The derivative of p.
Polynomial Derivative(const Polynomial& p, const Limits& limits) {
    Polynomial d(p.size() > 1 ? p.size() - 1 : 1, 0);
    for (std::size_t i = 1; i < p.size(); ++i)
        d[i - 1] = limits.Checked(Int128{p[i]} * static_cast<std::int64_t>(i));
    return d;
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

std::vector<std::uint32_t> FactorsBelow2To31(std::uint64_t divisor) {
    constexpr std::uint64_t kBelow = std::uint64_t{1} << 31;
    std::vector<std::uint32_t> factors;
    std::uint64_t chunk = 1;
    auto take = [&](std::uint64_t factor) {
        if (chunk * factor >= kBelow) {
            factors.push_back(static_cast<std::uint32_t>(chunk));
            chunk = 1;
        }
        chunk *= factor;
    };
    for (std::uint64_t p = 2; p * p <= divisor && p < (std::uint64_t{1} << 20); ++p)
        while (divisor % p == 0) {
            take(p);
            divisor /= p;
        }
    if (divisor >= kBelow)
        throw PoolLimitError("a die's weights are too irregular to be counted exactly");
    take(divisor);
    factors.push_back(static_cast<std::uint32_t>(chunk));
    return factors;
}

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
    symmetric_ &= pool.Kept().empty() && pool.Ratios().empty();
    for (const SuccessFactor& factor : successes)
        if (factor.failures > 1)
            leadingFactors_.push_back(static_cast<std::uint32_t>(factor.failures));
    // Exploding dice: numerator^N / denominator^N, g(0) the lowest value's weight to the N.
    for (const RatioGroup& group : pool.Ratios()) {
        spread_ += std::int64_t{group.count} * group.die.Span();
        start_ =
            start_ * PowerBySquaring(Decimal(static_cast<std::uint64_t>(group.die.LowestWeight())),
                                     static_cast<std::uint32_t>(group.count), Decimal(1),
                                     [](const Decimal& a, const Decimal& b) { return a * b; });
        for (const auto* factor : {&group.ratio.numerator, &group.ratio.denominator})
            for (const std::uint32_t divisor :
                 FactorsBelow2To31(static_cast<std::uint64_t>(factor->front())))
                if (divisor > 1)
                    leadingFactors_.push_back(divisor);
    }

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
    for (const RatioGroup& group : pool.Ratios()) {
        ThrowIfCancelled(cancel);
        TimesPolynomial(q, group.ratio.numerator, limits);
        TimesPolynomial(q, group.ratio.denominator, limits);
    }
    const Polynomial plainAndSuccesses = q; // P·S and the exploding dice's factors
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
    // Each factor F raised to e adds e·F′·Q / F.
    for (const RatioGroup& group : pool.Ratios())
        for (const auto& [factor, exponent] :
             {std::pair{&group.ratio.numerator, Int128{group.count}},
              std::pair{&group.ratio.denominator, -Int128{group.count}}}) {
            ThrowIfCancelled(cancel);
            if (factor->size() == 1)
                continue;
            Polynomial term = OverPolynomial(q, *factor, limits);
            TimesPolynomial(term, Derivative(*factor, limits), limits);
            if (r.size() < term.size())
                r.resize(term.size(), 0);
            AddScaled(r, term, exponent, 0, limits);
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
    std::size_t limbs = combiner_.Combine(numerator_.data(), capacity_, scaled_);
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
        limbs = DivideExactly(partial_.data(), numerator_.data(), limbs,
                              static_cast<std::uint32_t>(pending));
        std::swap(numerator_, partial_);
        pending = factor;
    }
    return DivideExactly(out, numerator_.data(), limbs, static_cast<std::uint32_t>(pending));
}

} // namespace dorvanel
