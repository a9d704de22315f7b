// SPDX-License-Identifier: MIT
#include "kept_dice.h"

#include "errors.h"
#include "wide_number.h"

#include <algorithm>
#include <cmath>

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
        // u runs from 0 …; the kept sum is K·t + u, stored from K on.
        const std::size_t start = static_cast<std::size_t>(kept) * (t - 1);
        for (std::size_t u = 0; u < horner.size() && start + u < counts.size(); ++u)
            counts[start + u] += horner[u];
    }
    return counts;
}

} // namespace

std::vector<Decimal> KeptDistribution(const KeptGroup& group, const std::atomic<bool>* cancel) {
    std::vector<Decimal> counts = HighestKept(group.count, group.faces, group.kept, cancel);
    // The lowest K of faces x are the highest of faces D + 1 − x: the sums mirror.
    if (group.lowest)
        std::reverse(counts.begin(), counts.end());
    return counts;
}

long double KeptMean(const KeptGroup& group) {
    // E[sum of the K highest] = Σ_x E[min(B_x, K)], B_x the number of dice at or above x, of
    // N with a_x = D − x + 1 faces of D. Over all outcomes:
    //   Σ_x K·D^N − Σ_(j<K) (K − j)·C(N, j)·a^j·b^(N−j), b = x − 1,
    // and x = 1, where b = 0, adds K·D^N alone.
    const auto dice = static_cast<std::uint32_t>(group.count);
    const auto faces = static_cast<std::uint32_t>(group.faces);
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
    return group.lowest ? static_cast<long double>(group.kept) * (group.faces + 1) - value : value;
}

double KeptWork(const KeptGroup& group) {
    const double limbs = 1 + group.count * std::log10(static_cast<double>(group.faces)) / 9;
    const double k = group.kept;
    const double d = group.faces;
    // Horner's steps over every t: about K²·D²/4 coefficients, each added and taken away.
    return 3 * k * k * d * d / 4 * limbs + d * k * k * limbs;
}

} // namespace dorvanel
