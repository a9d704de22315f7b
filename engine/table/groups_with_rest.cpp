// SPDX-License-Identifier: MIT
#include "groups_with_rest.h"

#include "errors.h"
#include "group_distribution.h"
#include "wide_number.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace dorvanel {

GroupsWithRest::GroupsWithRest(const DicePool& pool, const std::atomic<bool>* cancel,
                               const std::function<void(double done)>& onProgress)
    : counts_{Decimal(1)} {
    const std::size_t groups = pool.Kept().size();
    for (std::size_t g = 0; g < groups; ++g) {
        const std::vector<Decimal> own = GroupDistribution(pool.Kept()[g], cancel);
        std::vector<Decimal> product(counts_.size() + own.size() - 1);
        for (std::size_t a = 0; a < counts_.size(); ++a) {
            // A product of two groups of thousands of values each takes seconds.
            ThrowIfCancelled(cancel);
            if (onProgress && a % 64 == 0)
                onProgress((static_cast<double>(g) +
                            static_cast<double>(a) / static_cast<double>(counts_.size())) /
                           static_cast<double>(groups));
            for (std::size_t b = 0; b < own.size(); ++b)
                product[a + b] += counts_[a] * own[b];
        }
        counts_ = std::move(product);
    }
    restSpread_ = pool.Spread() - (Width() - 1);
    constexpr std::uint64_t kLargest = std::uint64_t{1} << 62;
    if (std::all_of(counts_.begin(), counts_.end(),
                    [&](const Decimal& count) { return count < Decimal(kLargest); }))
        for (const Decimal& count : counts_) {
            std::int64_t value = 0;
            for (std::size_t i = count.limbs().size(); i-- > 0;)
                value = value * kLimbBase + count.limbs()[i];
            coefficients_.push_back(value);
        }
}

long double GroupsWithRest::Variance() const {
    Decimal total;
    for (const Decimal& count : counts_)
        total += count;
    auto share = [&total](const Decimal& count) {
        return (WideNumber::Of(count) / WideNumber::Of(total)).Value();
    };
    long double mean = 0;
    for (std::size_t v = 0; v < counts_.size(); ++v)
        mean += static_cast<long double>(v) * share(counts_[v]);
    long double variance = 0;
    for (std::size_t v = 0; v < counts_.size(); ++v)
        variance += (static_cast<long double>(v) - mean) * (static_cast<long double>(v) - mean) *
                    share(counts_[v]);
    return variance;
}

std::size_t GroupsWithRest::Store(const Decimal& sum, std::uint32_t* out, std::size_t capacity) {
    const LimbSpan limbs = sum.limbs();
    if (limbs.size() > capacity)
        throw InternalError("a count of " + std::to_string(limbs.size()) + " limbs has room for " +
                            std::to_string(capacity));
    std::copy(limbs.begin(), limbs.end(), out);
    return limbs.size();
}

} // namespace dorvanel
