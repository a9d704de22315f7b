// SPDX-License-Identifier: MIT
// The exact count of every total of an analysis, read through a small accessor interface so
// that callers never depend on how the counts are stored: whole, or, for tables too large for
// that, checkpointed (see checkpointed_counts.h).
#pragma once

#include "count_index.h"
#include "count_sums.h"
#include "decimal.h"
#include "dice_pool.h"
#include "limb_buffer.h"
#include "wide_number.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace dorvanel {

class CheckpointedCounts;
class GroupsWithRest;

// Consecutive totals, first … last.
struct TotalRun {
    std::int32_t first = 0;
    std::int32_t last = 0;

    friend bool operator==(const TotalRun&, const TotalRun&) = default;
};

class DistributionTable {
public:
    // No analysis yet: no totals.
    DistributionTable();
    // Every count whole: entry j (CountIndex) in limbs [offsets[j], offsets[j + 1]). `kept`
    // holds the kept dice's counts, when there are any.
    DistributionTable(DicePool pool, LimbBuffer limbs, LargeArray<std::uint64_t> offsets,
                      CountSums sums, std::shared_ptr<const GroupsWithRest> kept);
    // Checkpoints of the recurrence's counts, which reads combine with the kept dice's.
    DistributionTable(DicePool pool, std::unique_ptr<const CheckpointedCounts> counts,
                      CountSums sums, std::shared_ptr<const GroupsWithRest> kept);
    DistributionTable(DistributionTable&& other) noexcept;
    DistributionTable& operator=(DistributionTable&& other) noexcept;
    ~DistributionTable();

    // What was rolled.
    const DicePool& pool() const { return pool_; }
    std::int32_t MinValue() const { return pool_.MinValue(); }
    std::int32_t MaxValue() const { return pool_.MaxValue(); }
    double MeanValue() const { return mean_; }
    long double Variance() const { return variance_; }
    // Where the counts are stored.
    const CountIndex& Index() const { return index_; }
    // A total with the largest count: trunc(mean) where the counts are symmetric, which their
    // run of largest counts always holds; otherwise the smallest of them.
    std::int32_t PeakTotal() const { return peak_; }
    // Every total with the largest count, as runs of consecutive totals, lowest first.
    const std::vector<TotalRun>& MostLikelyTotals() const { return mostLikely_; }
    // The totals the table answers for: every possible one, and 1, with those between that
    // cannot occur.
    std::int32_t FirstTotal() const { return std::min(MinValue(), 1); }
    std::int32_t LastTotal() const { return std::max(MaxValue(), 1); }
    bool empty() const { return empty_; }
    // Whether counts other than the summary's are recomputed when read.
    bool IsCheckpointed() const { return checkpointed_ != nullptr; }

    // The totals a listing shows, one a line: every one from MinValue to MaxValue that some roll
    // gives. Immediate in both forms. LineOf a total no roll gives is the line of the next.
    std::int64_t ListedCount() const;
    std::int32_t ListedTotal(std::int64_t line) const;
    std::int64_t LineOf(std::int32_t total) const;

    // Totals are indexed FirstTotal … LastTotal; any other index throws RangeCheckError. Totals
    // outside MinValue … MaxValue are zero. These four are immediate in both forms.
    bool IsZero(std::int64_t total) const;
    std::size_t DigitCount(std::int64_t total) const;
    // The first min(k, DigitCount) digits as a number, k at most 9; no string is built.
    std::uint32_t LeadingDigitsValue(std::int64_t total, std::size_t k) const;
    // Immediate up to 19 digits.
    std::string LeadingDigits(std::int64_t total, std::size_t k) const;

    // The whole count. In the checkpointed form most counts take a walk from a checkpoint:
    // read many through a CountReader.
    std::string Digits(std::int64_t total) const;
    // Writes the digit string (DigitCount characters, no terminator) and returns its length.
    std::size_t WriteDigits(std::int64_t total, char* out) const;

    // Shares of all outcomes, to about 19 significant digits however small: of the total
    // itself, of it or any smaller total, of it or any larger one. Immediate in both forms.
    WideNumber Share(std::int64_t total) const;
    WideNumber AtMostShare(std::int64_t total) const;
    WideNumber AtLeastShare(std::int64_t total) const;

    // Memory held by the counts.
    std::uint64_t StorageBytes() const;

private:
    friend class CountReader;

    // Where a total's count is stored (CountIndex), or −1 for a total that cannot occur.
    // Throws RangeCheckError outside FirstTotal … LastTotal.
    std::int64_t StoredIndex(std::int64_t total) const;
    // The sums from the highest total down, and the figures, once the counts are there.
    void Complete();
    // A count by its length in limbs and its top limbs, most significant first.
    std::pair<std::size_t, std::vector<std::uint32_t>> Summary(std::int64_t j) const;
    // The stored entries 0 … last with the largest count.
    std::vector<std::int64_t> LargestEntries(std::int64_t last) const;
    // Where symmetric counts have their largest, as a run around the middle.
    void FindMostLikelyOfSymmetric();
    WideNumber SumThrough(const CountSums& sums, std::int64_t last, bool fromTop) const;
    LimbSpan WholeCount(std::int64_t j) const {
        return {limbs_.data() + offsets_[j], offsets_[j + 1] - offsets_[j]};
    }
    // The top limbs of a count, which are the whole count when it is that short, and the
    // number of limbs below them.
    std::pair<LimbSpan, std::size_t> Top(std::int64_t j) const;

    bool empty_ = true;
    DicePool pool_;
    CountIndex index_;
    double mean_ = 0.0;
    long double variance_ = 0.0L;
    std::vector<TotalRun> mostLikely_;
    // Runs of totals between MinValue and MaxValue that no roll gives, by index from MinValue,
    // lowest first: only pools that are not symmetric have any.
    struct Gap {
        std::int64_t start = 0;
        std::int64_t length = 0;
        std::int64_t skippedBefore = 0;
    };
    std::vector<Gap> gaps_;
    std::int32_t peak_ = 0;
    LimbBuffer limbs_;
    LargeArray<std::uint64_t> offsets_;
    std::unique_ptr<const CheckpointedCounts> checkpointed_;
    std::shared_ptr<const GroupsWithRest> kept_;
    CountSums sums_;
    // For counts that are not symmetric: the running sums from the highest total down.
    CountSums sumsFromTop_;
    WideNumber outcomes_;
};

} // namespace dorvanel
