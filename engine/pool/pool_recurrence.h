// SPDX-License-Identifier: MIT
// The recurrence that gives each count of a sum of dice from the ones before it. With g(n) the
// count of total MinValue + n, M dice in all and
//   G(x) = Σ g(n)·xⁿ = Π ((1 − x^D) / (1 − x))^N over the groups of N dice of D faces,
//   Q(x) = (1 − x)·Π (1 − x^D),
//   R(x) = M·Π (1 − x^D) − Σ N·D·x^(D−1)·(1 − x)·Π over the other groups (1 − x^D'),
// Q·G′ = R·G, whose coefficient of xⁿ gives
//   (n + 1)·g(n + 1) = Σ_s (R_s − Q_(s+1)·(n − s))·g(n − s),
// the division exact. One size of dice gives three terms reaching back D totals; k sizes at
// most 2^(k+1) − 1 reaching back the sum of their faces. The counts are symmetric,
// g(S − n) = g(n) for the spread S, so the same step read from the other end goes backwards.
#pragma once

#include "dice_pool.h"
#include "limb_kernels.h"

#include <cstdint>
#include <vector>

namespace dorvanel {

class PoolRecurrence {
public:
    // A step's term: the count `offset` totals back, times base − slope·n.
    struct Term {
        std::int64_t offset = 0;
        std::int64_t base = 0;
        std::int64_t slope = 0;
    };

    // Throws PoolLimitError when a coefficient would leave 64 bits, which only pools of very
    // many sizes of dice reach.
    explicit PoolRecurrence(const std::vector<DiceGroup>& groups);

    const std::vector<Term>& Terms() const { return terms_; }
    // How many totals back a step reads: a window of Reach() + 1 counts goes one further.
    std::int64_t Reach() const { return reach_; }
    std::int64_t Spread() const { return spread_; }

private:
    std::vector<Term> terms_;
    std::int64_t reach_ = 0;
    std::int64_t spread_ = 0;
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
        return Finish(n + 1, out);
    }

    // g(lo − 1) from countAhead(s) = g(lo + s): the forward step from the other end.
    template <typename CountAhead>
    std::size_t Backward(const PoolRecurrence& recurrence, std::int64_t lo,
                         const CountAhead& countAhead, std::uint32_t* out) {
        return Forward(recurrence, recurrence.Spread() - lo, countAhead, out);
    }

private:
    std::size_t Finish(std::int64_t divisor, std::uint32_t* out);

    std::size_t capacity_;
    std::vector<ScaledCount> scaled_;
    std::vector<std::uint32_t> numerator_;
    LimbCombiner combiner_;
};

} // namespace dorvanel
