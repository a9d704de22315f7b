// SPDX-License-Identifier: MIT
// A pool's groups counted on their own (GroupDistribution), all together and combined with the
// rest of the pool: every count of the table is the sum over their values v of their count of v
// times the count of the rest at j − v, a fixed combination of consecutive counts of the rest.
#pragma once

#include "decimal.h"
#include "dice_pool.h"
#include "limb_kernels.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

namespace dorvanel {

class GroupsWithRest {
public:
    // Throws AnalysisCancelled when `cancel` is raised. Combining the groups may take seconds:
    // `onProgress` hears how far it has come, from 0 to 1, on the calling thread.
    GroupsWithRest(const DicePool& pool, const std::atomic<bool>* cancel,
                   const std::function<void(double done)>& onProgress = {});

    // How many consecutive counts of the rest one count combines.
    std::int64_t Width() const { return static_cast<std::int64_t>(counts_.size()); }

    // The variance of their sum.
    long double Variance() const;

    // Σ_v counts[v]·rest(j − v) from rest(i), into `out`, which has room for `capacity` limbs;
    // returns its length. `combiner` and `terms` are the caller's working space.
    template <typename RestAt>
    std::size_t Combine(std::int64_t j, const RestAt& rest, std::uint32_t* out,
                        std::size_t capacity, LimbCombiner& combiner,
                        std::vector<ScaledCount>& terms) const {
        if (!coefficients_.empty()) {
            terms.clear();
            for (std::int64_t v = From(j); v <= To(j); ++v)
                terms.push_back({coefficients_[static_cast<std::size_t>(v)], rest(j - v)});
            return combiner.Combine(out, capacity, terms);
        }
        Decimal sum;
        for (std::int64_t v = From(j); v <= To(j); ++v) {
            const LimbSpan count = rest(j - v);
            if (!count.empty())
                sum += Decimal::FromLimbs(
                    MultiplyLimbs(counts_[static_cast<std::size_t>(v)].limbs(), count));
        }
        return Store(sum, out, capacity);
    }

private:
    // The values v whose j − v is a total of the rest.
    std::int64_t From(std::int64_t j) const { return std::max<std::int64_t>(0, j - restSpread_); }
    std::int64_t To(std::int64_t j) const { return std::min(Width() - 1, j); }
    static std::size_t Store(const Decimal& sum, std::uint32_t* out, std::size_t capacity);

    std::vector<Decimal> counts_;
    // The counts as coefficients, when every one fits 64 bits; empty otherwise.
    std::vector<std::int64_t> coefficients_;
    std::int64_t restSpread_ = 0;
};

} // namespace dorvanel
