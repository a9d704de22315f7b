// SPDX-License-Identifier: MIT
// The recurrence that gives each count of a pool from the ones before it. With g(n) the count
// of total MinValue + n, G(x) = Σ g(n)·xⁿ is the product of the groups' own:
//   ((1 − x^D) / (1 − x))^N for N dice of D faces, (f + s·x)^N for N dice counted as successes
//   (s faces succeed, f fail).
// With M plain dice in all, P = Π (1 − x^D) over their sizes, S = Π (f + s·x) over the odds
// of success, groups of the same odds being one factor,
//   Q(x) = (1 − x)·P·S,
//   R(x) = M·P·S − Σ N·D·x^(D−1)·(1 − x)·(P without its factor)·S
//              + Σ N·s·(1 − x)·P·(S without its factor),
// Q·G′ = R·G, whose coefficient of xⁿ gives
//   Q_0·(n + 1)·g(n + 1) = Σ_s (R_s − Q_(s+1)·(n − s))·g(n − s),
// the division exact. One size of dice gives three terms reaching back D totals; k sizes at
// most 2^(k+1) − 1 reaching back the sum of their faces. Where the counts are symmetric,
// g(S − n) = g(n) for the spread S, the same step read from the other end goes backwards.
// An exploding die's ratio N(x) / M(x) adds the factors N^count and M^(−count) in the same way.
// Kept dice are not part of it: their counts are worked out on their own.
#pragma once

#include "decimal.h"
#include "dice_pool.h"
#include "limb_kernels.h"

#include <atomic>
#include <cstdint>
#include <vector>

namespace dorvanel {

// A divisor as factors below 2^31, for exact division one factor at a time. Weights are
// products of small numbers: PoolLimitError for one with a prime factor of 2^31 or more.
std::vector<std::uint32_t> FactorsBelow2To31(std::uint64_t divisor);

class PoolRecurrence {
public:
    // A step's term: the count `offset` totals back, times base − slope·n.
    struct Term {
        std::int64_t offset = 0;
        std::int64_t base = 0;
        std::int64_t slope = 0;
    };

    // Of the pool's plain dice and successes. Throws PoolLimitError when a coefficient would
    // leave 64 bits, which only pools of very many sizes of dice or odds of success reach, and
    // AnalysisCancelled when `cancel` is raised.
    explicit PoolRecurrence(const DicePool& pool, const std::atomic<bool>* cancel = nullptr);

    const std::vector<Term>& Terms() const { return terms_; }
    // How many totals back a step reads: a window of Reach() + 1 counts goes one further.
    std::int64_t Reach() const { return reach_; }
    std::int64_t Spread() const { return spread_; }
    // g(0): the ways to roll the smallest total.
    const Decimal& Start() const { return start_; }
    // Q_0's factors, each below 2^31, besides n + 1 the divisors of a step.
    const std::vector<std::uint32_t>& LeadingFactors() const { return leadingFactors_; }
    // Whether the counts are symmetric, so that steps can go backwards.
    bool Symmetric() const { return symmetric_; }

private:
    std::vector<Term> terms_;
    std::int64_t reach_ = 0;
    std::int64_t spread_ = 0;
    Decimal start_{1};
    std::vector<std::uint32_t> leadingFactors_;
    bool symmetric_ = true;
};

// The working space of one thread's steps, for counts of up to `capacity` limbs.
class RecurrenceStep {
public:
    explicit RecurrenceStep(std::size_t capacity);

    // g(n + 1) from countBack(s) = g(n − s), into `out`, which has room for `capacity` limbs;
    // returns its normalised length. An empty span stands for a count below the first.
    template <typename CountBack>
    std::size_t Forward(const PoolRecurrence& recurrence, std::int64_t n,
                        const CountBack& countBack, std::uint32_t* out) {
        scaled_.clear();
        for (const PoolRecurrence::Term& term : recurrence.Terms())
            scaled_.push_back({term.base - term.slope * n, countBack(term.offset)});
        return Finish(recurrence, n + 1, out);
    }

    // g(lo − 1) from countAhead(s) = g(lo + s): the forward step from the other end, for
    // symmetric counts only.
    template <typename CountAhead>
    std::size_t Backward(const PoolRecurrence& recurrence, std::int64_t lo,
                         const CountAhead& countAhead, std::uint32_t* out) {
        return Forward(recurrence, recurrence.Spread() - lo, countAhead, out);
    }

private:
    std::size_t Finish(const PoolRecurrence& recurrence, std::int64_t divisor, std::uint32_t* out);

    std::size_t capacity_;
    std::vector<ScaledCount> scaled_;
    std::vector<std::uint32_t> numerator_;
    std::vector<std::uint32_t> partial_;
    LimbCombiner combiner_;
};

} // namespace dorvanel
