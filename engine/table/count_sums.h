// SPDX-License-Identifier: MIT
// Running sums of the counts of a table's stored half, kept every few totals as they are
// computed, from which the count of "at most this total" follows for any total with a few
// additions.
#pragma once

#include "decimal.h"
#include "limb_buffer.h"
#include "wide_number.h"

#include <cstdint>
#include <vector>

namespace dorvanel {

// A count's top limbs, at most three, and how many limbs lie below them.
struct CountTop {
    LimbSpan top;
    std::size_t below = 0;
};
CountTop TopOf(LimbSpan count);

class CountSums {
public:
    static constexpr std::int64_t kStride = 8;

    CountSums() = default;
    // Room for the sums of a stored half of `entries` counts.
    explicit CountSums(std::uint64_t entries) { sums_.reserve(entries / kStride + 1); }

    // The next count, in order from the smallest total on.
    void Add(const CountTop& count);

    // The sum of the counts 0 … j, reading those after the last kept sum through topOf(i).
    template <typename TopOfCount>
    WideNumber Through(std::int64_t j, const TopOfCount& topOf) const {
        const std::int64_t kept = j / kStride;
        WideNumber sum = sums_[static_cast<std::size_t>(kept)];
        for (std::int64_t i = kept * kStride; i <= j; ++i) {
            const CountTop count = topOf(i);
            sum = sum + WideNumber::FromTopLimbs(count.top, count.below);
        }
        return sum;
    }

    std::uint64_t Bytes() const { return sums_.capacity() * sizeof(WideNumber); }
    // The same, before the counts are computed, for a stored half of `entries` counts.
    static std::uint64_t BytesFor(std::uint64_t entries) {
        return (entries / kStride + 1) * sizeof(WideNumber);
    }

private:
    WideNumber running_;
    std::int64_t added_ = 0;
    LargeArray<WideNumber> sums_; // sums_[k]: the counts 0 … k·kStride − 1
};

} // namespace dorvanel
