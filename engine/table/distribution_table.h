// The exact count of every total of an analysis, read through a small accessor interface so
// that callers never depend on how the counts are stored: whole, or, for tables too large for
// that, checkpointed (see checkpointed_counts.h).
#pragma once

#include "count_sums.h"
#include "decimal.h"
#include "limb_buffer.h"
#include "wide_number.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace dorvanel {

class CheckpointedCounts;

// The figures every analysis starts from.
struct AnalysisBounds {
    std::int32_t MinValue = 0; // smallest total: the number of dice
    std::int32_t MaxValue = 0; // largest total, and the table's upper index
    double MeanValue = 0.0;    // (MinValue + MaxValue) / 2
};

class DistributionTable {
public:
    // No analysis yet: no totals.
    DistributionTable();
    // Every count whole: the totals dice + j for j = 0 … dice·(faces − 1) / 2, entry j in
    // limbs [offsets[j], offsets[j + 1]); the other half mirrors them.
    DistributionTable(std::int32_t dice, std::int32_t faces, LimbBuffer limbs,
                      std::vector<std::uint64_t> offsets, CountSums sums);
    DistributionTable(std::int32_t dice, std::int32_t faces,
                      std::unique_ptr<const CheckpointedCounts> counts, CountSums sums);
    DistributionTable(DistributionTable&& other) noexcept;
    DistributionTable& operator=(DistributionTable&& other) noexcept;
    ~DistributionTable();

    std::int32_t dice() const { return dice_; }
    std::int32_t faces() const { return faces_; }
    std::int32_t MinValue() const { return dice_; }
    std::int32_t MaxValue() const { return dice_ * faces_; }
    double MeanValue() const;
    bool empty() const { return dice_ == 0; }
    // Whether counts other than the summary's are recomputed when read.
    bool IsCheckpointed() const { return checkpointed_ != nullptr; }

    // Totals are indexed 1 … MaxValue; any other index throws RangeCheckError. Totals below
    // MinValue exist and are zero. These four are immediate in both forms.
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

    // Shares of all D^N outcomes, to about 19 significant digits however small: of the total
    // itself, of it or any smaller total, of it or any larger one. Immediate in both forms.
    WideNumber AllOutcomes() const { return outcomes_; }
    WideNumber Share(std::int64_t total) const;
    WideNumber AtMostShare(std::int64_t total) const;
    WideNumber AtLeastShare(std::int64_t total) const;

    // Memory held by the counts.
    std::uint64_t StorageBytes() const;

private:
    friend class CountReader;

    // Where a total's count is stored: its distance from the nearer end of the possible
    // totals, or −1 below MinValue. Throws RangeCheckError outside 1 … MaxValue.
    std::int64_t StoredIndex(std::int64_t total) const;
    LimbSpan WholeCount(std::int64_t j) const {
        return {limbs_.data() + offsets_[j], offsets_[j + 1] - offsets_[j]};
    }
    // The top limbs of a count, which are the whole count when it is that short, and the
    // number of limbs below them.
    std::pair<LimbSpan, std::size_t> Top(std::int64_t j) const;

    std::int32_t dice_ = 0;
    std::int32_t faces_ = 0;
    LimbBuffer limbs_;
    std::vector<std::uint64_t> offsets_;
    std::unique_ptr<const CheckpointedCounts> checkpointed_;
    CountSums sums_;
    WideNumber outcomes_;
};

} // namespace dorvanel
