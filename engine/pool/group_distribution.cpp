// SPDX-License-Identifier: MIT
#include "group_distribution.h"

#include "brace_group.h"
#include "errors.h"
#include "limb_kernels.h"
#include "pool_recurrence.h"
#include "power_by_squaring.h"
#include "wide_number.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace dorvanel {
namespace {

// The highest K of N dice: the K-th highest shows t, a < K dice show more than t and the
// rest at most t, at least K − a of them exactly t. Given t and a, the a dice above t add up
// as a dice of D − t faces added to a·t, the K − a kept ones at t add (K − a)·t, and the rest
// may fall in W(a, t) = Σ_(e ≥ K−a) C(N − a, e)·(t − 1)^(N − a − e) ways. So
//   count(K·t + u) += Σ_a C(N, a)·W(a, t)·P_a(u),
// P_a being the counts of a dice of D − t faces, 1 … D − t each: the coefficients of U^a for
// U = x + … + x^(D−t). The sum over a is taken by Horner's rule, so that each step multiplies
// by U, which is a running sum, and only ever adds.
std::vector<Decimal> HighestKept(std::int32_t dice, std::int32_t faces, std::int32_t kept,
                                 const std::atomic<bool>* cancel) {
    std::vector<Decimal> counts(static_cast<std::size_t>(kept) * (faces - 1) + 1);
    std::vector<Decimal> binomials{Decimal(1)}; // C(N, a) for a < K
    for (std::int32_t a = 0; a + 1 < kept; ++a)
        binomials.push_back(Decimal(binomials.back())
                                .MultiplyBy(static_cast<std::uint32_t>(dice - a))
                                .DivideExactlyBy(static_cast<std::uint32_t>(a + 1)));

    std::vector<Decimal> horner;
    std::vector<Decimal> next;
    for (std::int32_t t = 1; t <= faces; ++t) {
        ThrowIfCancelled(cancel);
        const std::int32_t above = faces - t; // faces of the dice above t
        // With no face above t, no die can be: only a = 0.
        const std::int32_t highestA = above == 0 ? 0 : kept - 1;
        horner.clear();
        for (std::int32_t a = highestA; a >= 0; --a) {
            // W(a, t) = t^n − Σ_(e < K−a) C(n, e)·(t − 1)^(n − e), n = N − a; 1 when t = 1.
            const auto n = static_cast<std::uint32_t>(dice - a);
            Decimal ways(1);
            if (t > 1) {
                ways = Decimal::Power(static_cast<std::uint32_t>(t), n);
                Decimal term = Decimal::Power(static_cast<std::uint32_t>(t - 1), n);
                for (std::uint32_t e = 0; e < static_cast<std::uint32_t>(kept - a); ++e) {
                    ways -= term;
                    term.MultiplyBy(n - e).DivideExactlyBy((e + 1) *
                                                           static_cast<std::uint32_t>(t - 1));
                }
            }
            const Decimal coefficient = binomials[static_cast<std::size_t>(a)] * ways;
            if (horner.empty()) {
                horner.push_back(coefficient);
                continue;
            }
            // horner·U: each new coefficient the sum of the `above` before it.
            next.resize(horner.size() + static_cast<std::size_t>(above));
            Decimal window;
            next[0] = Decimal();
            for (std::size_t u = 1; u < next.size(); ++u) {
                if (u - 1 < horner.size())
                    window += horner[u - 1];
                if (u >= static_cast<std::size_t>(above) + 1)
                    window -= horner[u - 1 - static_cast<std::size_t>(above)];
                next[u] = window;
            }
            next[0] += coefficient;
            std::swap(horner, next);
        }
        // u runs from 0 …; the kept sum is K·t + u, stored from K on. The walk left
        // 1 + highestA·above coefficients: the last lands at K·(D − 1) − above, within counts.
        const std::size_t start = static_cast<std::size_t>(kept) * (t - 1);
        for (std::size_t u = 0; u < horner.size(); ++u)
            counts[start + u] += horner[u];
    }
    return counts;
}

__extension__ typedef __int128 Int128;

Decimal PowerOf(const Decimal& base, std::int64_t exponent) {
    return PowerBySquaring(base, static_cast<std::uint32_t>(exponent), Decimal(1),
                           [](const Decimal& a, const Decimal& b) { return a * b; });
}

// The counts of N dice of an irregular die, P^N for its polynomial P = Σ w·x^(v − min): from
// P·G′ = N·P′·G, m·p_0·g(m) = Σ_(i ≥ 1) ((N + 1)·i − m)·p_i·g(m − i), every division exact.
// Read from whichever end weighs less, so that an exploding die divides by 1.
std::vector<Decimal> PowerOfDie(const Die& die, std::int32_t dice,
                                const std::atomic<bool>* cancel) {
    std::vector<std::int64_t> p(static_cast<std::size_t>(die.Span()) + 1, 0);
    for (const Die::Face& face : die.Faces())
        p[static_cast<std::size_t>(face.value - die.Min())] = face.weight;
    const bool reversed = p.back() < p.front();
    if (reversed)
        std::reverse(p.begin(), p.end());
    std::vector<std::size_t> used;
    for (std::size_t i = 1; i < p.size(); ++i)
        if (p[i] != 0)
            used.push_back(i);
    const std::vector<std::uint32_t> divisors = FactorsBelow2To31(static_cast<std::uint64_t>(p[0]));

    const std::size_t last = static_cast<std::size_t>(dice) * (p.size() - 1);
    std::vector<Decimal> counts(last + 1);
    counts[0] = PowerOf(Decimal(static_cast<std::uint64_t>(p[0])), dice);
    double totalLog10 = 0;
    for (const std::int64_t weight : p)
        totalLog10 += static_cast<double>(weight);
    totalLog10 = std::log10(totalLog10) * dice;
    const std::size_t capacity = static_cast<std::size_t>((totalLog10 + 40) / kLimbDigits) + 3;
    std::vector<std::uint32_t> numerator(capacity);
    std::vector<ScaledCount> terms;
    LimbCombiner combiner;
    constexpr Int128 kMostCoefficient = Int128{1} << 62;
    for (std::size_t m = 1; m <= last; ++m) {
        if (m % 64 == 0)
            ThrowIfCancelled(cancel);
        terms.clear();
        for (const std::size_t i : used) {
            if (i > m)
                break;
            const Int128 coefficient =
                (Int128{dice + 1} * static_cast<std::int64_t>(i) - static_cast<std::int64_t>(m)) *
                p[i];
            if (coefficient > kMostCoefficient || coefficient < -kMostCoefficient)
                throw PoolLimitError("a die's weights are too large to be counted exactly");
            terms.push_back({static_cast<std::int64_t>(coefficient), counts[m - i].limbs()});
        }
        const std::size_t length = combiner.Combine(numerator.data(), capacity, terms);
        Decimal count = Decimal::FromLimbs({numerator.data(), length});
        count.DivideExactlyBy(static_cast<std::uint32_t>(m));
        for (const std::uint32_t divisor : divisors)
            count.DivideExactlyBy(divisor);
        counts[m] = std::move(count);
    }
    if (reversed)
        std::reverse(counts.begin(), counts.end());
    return counts;
}

// The highest K of N dice of any weights, from the highest value down: j dice placed above the
// value at hand, fewer than K, with the counts of their sum so far; c more at the value, in
// C(N − j, c)·w^c ways, either still fewer than K, or reaching K, when the rest all fall below
// in Σ_(c ≥ K − j) C(N − j, c)·w^c·L^(N − j − c) ways, L the weight below.
std::vector<Decimal> WeightedHighest(const Die& die, std::int32_t dice, std::int32_t kept,
                                     const std::atomic<bool>* cancel) {
    const auto k = static_cast<std::size_t>(kept);
    const std::int64_t min = die.Min();
    std::vector<Decimal> counts(static_cast<std::size_t>(kept * die.Span()) + 1);
    // placed[j][s]: j dice above, their values summing to s + j·min.
    std::vector<std::vector<Decimal>> placed(k);
    placed[0] = {Decimal(1)};
    std::uint64_t below = 0;
    for (const Die::Face& face : die.Faces())
        below += static_cast<std::uint64_t>(face.weight);
    const std::vector<Die::Face>& faces = die.Faces();
    for (std::size_t t = faces.size(); t-- > 0;) {
        ThrowIfCancelled(cancel);
        const auto w = static_cast<std::uint64_t>(faces[t].weight);
        below -= w;
        const auto step = static_cast<std::size_t>(faces[t].value - min);
        std::vector<std::vector<Decimal>> next(k);
        for (std::size_t j = 0; j < k; ++j) {
            if (placed[j].empty())
                continue;
            const std::int64_t rest = dice - static_cast<std::int64_t>(j);
            // C(rest, c)·w^c·below^(rest − c) for c < K − j, and what they leave of (w + L)^rest.
            Decimal reaching = PowerOf(Decimal(w + below), rest);
            Decimal ways(1); // C(rest, c)·w^c
            for (std::size_t c = 0; j + c < k; ++c) {
                reaching -= ways * PowerOf(Decimal(below), rest - static_cast<std::int64_t>(c));
                std::vector<Decimal>& into = next[j + c];
                const std::size_t shift = c * step;
                into.resize(std::max(into.size(), placed[j].size() + shift));
                for (std::size_t s = 0; s < placed[j].size(); ++s)
                    into[s + shift] += placed[j][s] * ways;
                ways = ways * Decimal(w);
                ways.MultiplyBy(static_cast<std::uint32_t>(rest - static_cast<std::int64_t>(c)))
                    .DivideExactlyBy(static_cast<std::uint32_t>(c + 1));
            }
            const std::size_t shift = (k - j) * step;
            for (std::size_t s = 0; s < placed[j].size(); ++s)
                counts[s + shift] += placed[j][s] * reaching;
        }
        placed = std::move(next);
    }
    return counts;
}

} // namespace

std::vector<Decimal> GroupDistribution(const KeptGroup& group, const std::atomic<bool>* cancel) {
    if (group.braces)
        return BraceDistribution(*group.braces, cancel);
    if (!group.die.Uniform() && group.kept == group.count)
        return PowerOfDie(group.die, group.count, cancel);
    // The lowest K of faces x are the highest of faces −x: the sums mirror.
    std::vector<Decimal> counts =
        group.die.Uniform()
            ? HighestKept(group.count, static_cast<std::int32_t>(group.die.Span() + 1), group.kept,
                          cancel)
            : WeightedHighest(group.lowest ? group.die.Negated() : group.die, group.count,
                              group.kept, cancel);
    if (group.lowest)
        std::reverse(counts.begin(), counts.end());
    return counts;
}

long double GroupMean(const KeptGroup& group) {
    if (group.braces)
        return BraceMean(*group.braces);
    if (!group.die.Uniform() && group.kept == group.count) {
        // All of them summed: N times one die's mean.
        long double sum = 0;
        long double weight = 0;
        for (const Die::Face& face : group.die.Faces()) {
            sum += static_cast<long double>(face.value) * face.weight;
            weight += static_cast<long double>(face.weight);
        }
        return group.count * (sum / weight);
    }
    if (!group.die.Uniform()) {
        // The K highest add K·lowest and, for every value v above it, (v − the value below)
        // times min(K, B_v), B_v the dice at v or above: over all outcomes
        //   K·W^N − Σ_(j<K) (K − j)·C(N, j)·a^j·b^(N−j),
        // a the weight at v or above, b below, W = a + b. The lowest K are the highest of −v.
        const Die die = group.lowest ? group.die.Negated() : group.die;
        const std::vector<Die::Face> faces = die.Faces();
        const std::int64_t dice = group.count;
        const std::int64_t kept = group.kept;
        std::uint64_t weight = 0;
        for (const Die::Face& face : faces)
            weight += static_cast<std::uint64_t>(face.weight);
        const Decimal outcomes = PowerOf(Decimal(weight), dice);
        Decimal keptTimesAll = outcomes;
        keptTimesAll.MultiplyBy(static_cast<std::uint32_t>(kept));
        WideNumber sum; // above K·lowest, which is added last
        std::uint64_t below = 0;
        for (std::size_t t = 1; t < faces.size(); ++t) {
            below += static_cast<std::uint64_t>(faces[t - 1].weight);
            const Decimal a(weight - below);
            Decimal binomial(1); // C(N, j)
            Decimal aPower(1);   // a^j
            Decimal lessOften = keptTimesAll;
            Decimal missing;
            for (std::int64_t j = 0; j < kept; ++j) {
                Decimal term = binomial * aPower * PowerOf(Decimal(below), dice - j);
                missing += term.MultiplyBy(static_cast<std::uint32_t>(kept - j));
                binomial.MultiplyBy(static_cast<std::uint32_t>(dice - j))
                    .DivideExactlyBy(static_cast<std::uint32_t>(j + 1));
                aPower = aPower * a;
            }
            lessOften -= missing;
            sum = sum + WideNumber::Of(lessOften) *
                            WideNumber(std::int64_t{faces[t].value} - faces[t - 1].value);
        }
        const long double mean =
            (sum / WideNumber::Of(outcomes)).Value() + static_cast<long double>(kept) * die.Min();
        return group.lowest ? -mean : mean;
    }
    // Faces 1 … D moved by the die's lowest value less one.
    // E[sum of the K highest] = Σ_x E[min(B_x, K)], B_x the number of dice at or above x, of
    // N with a_x = D − x + 1 faces of D. Over all outcomes:
    //   Σ_x K·D^N − Σ_(j<K) (K − j)·C(N, j)·a^j·b^(N−j), b = x − 1,
    // and x = 1, where b = 0, adds K·D^N alone.
    const auto dice = static_cast<std::uint32_t>(group.count);
    const auto faces = static_cast<std::uint32_t>(group.die.Span() + 1);
    const auto kept = static_cast<std::uint32_t>(group.kept);
    const Decimal outcomes = Decimal::Power(faces, dice);
    Decimal total = outcomes;
    total.MultiplyBy(kept).MultiplyBy(faces);
    for (std::uint32_t x = 2; x <= faces; ++x) {
        const std::uint32_t a = faces - x + 1;
        const std::uint32_t b = x - 1;
        Decimal term = Decimal::Power(b, dice); // C(N, 0)·a^0·b^N
        for (std::uint32_t j = 0; j < kept; ++j) {
            total -= Decimal(term).MultiplyBy(kept - j);
            term.MultiplyBy((dice - j) * a).DivideExactlyBy((j + 1) * b);
        }
    }
    const long double value = (WideNumber::Of(total) / WideNumber::Of(outcomes)).Value();
    const long double shift = static_cast<long double>(group.kept) * (group.die.Min() - 1);
    return shift + (group.lowest ? static_cast<long double>(kept) * (faces + 1) - value : value);
}

double GroupWork(const KeptGroup& group) {
    if (group.braces)
        return BraceWork(*group.braces);
    const double limbs = 1 + group.count * std::log10(static_cast<double>(group.die.Weight())) / 9;
    const double k = group.kept;
    const double d = static_cast<double>(group.die.Span() + 1);
    if (group.die.Uniform())
        // Horner's steps over every t: about K²·D²/4 coefficients, each added and taken away.
        return 3 * k * k * d * d / 4 * limbs + d * k * k * limbs;
    const auto values = static_cast<double>(group.die.ValueCount());
    // Measured against the Horner steps' units: a step of the power, read in long limb kernels,
    // costs a seventh; the placements of the kept dice, a twentieth.
    if (group.kept == group.count)
        // A step for every total, reading each value of the die.
        return k * d * values * limbs / 2 / 7;
    // Every value: each placement of fewer than K dice times each number more at the value,
    // over sums of up to K·D.
    return values * k * k * k * d / 2 * limbs * 4 / 20;
}

} // namespace dorvanel
