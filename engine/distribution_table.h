// The exact count of every total of an analysis, read through a small accessor interface so
// that callers never depend on how the counts are stored.
#pragma once

#include "decimal.h"
#include "limb_buffer.h"

#include <cstdint>
#include <string>
#include <vector>

namespace dorvanel {

// The figures every analysis starts from.
struct AnalysisBounds {
    std::int32_t MinValue = 0; // smallest total: the number of dice
    std::int32_t MaxValue = 0; // largest total, and the table's upper index
    double MeanValue = 0.0;    // (MinValue + MaxValue) / 2
};

class DistributionTable {
public:
    // No analysis yet: no totals.
    DistributionTable() = default;
    // Counts of the totals dice + j for j = 0 … dice·(faces − 1) / 2, entry j in limbs
    // [offsets[j], offsets[j + 1]); the other half mirrors them.
    DistributionTable(std::int32_t dice, std::int32_t faces, LimbBuffer limbs,
                      std::vector<std::uint64_t> offsets);

    std::int32_t dice() const { return dice_; }
    std::int32_t faces() const { return faces_; }
    std::int32_t MinValue() const { return dice_; }
    std::int32_t MaxValue() const { return dice_ * faces_; }
    double MeanValue() const;
    bool empty() const { return dice_ == 0; }

    // Totals are indexed 1 … MaxValue; any other index throws RangeCheckError. Totals below
    // MinValue exist and are zero.
    bool IsZero(std::int64_t total) const;
    std::size_t DigitCount(std::int64_t total) const;
    std::string Digits(std::int64_t total) const;
    std::string LeadingDigits(std::int64_t total, std::size_t k) const;
    // The first min(k, DigitCount) digits as a number, k at most 9; no string is built.
    std::uint32_t LeadingDigitsValue(std::int64_t total, std::size_t k) const;
    // Writes the digit string (DigitCount characters, no terminator) and returns its length.
    std::size_t WriteDigits(std::int64_t total, char* out) const;

    // Memory held by the counts.
    std::uint64_t StorageBytes() const;

private:
    // The stored count of a total; zero totals give the limb span of zero.
    LimbSpan Count(std::int64_t total) const;

    std::int32_t dice_ = 0;
    std::int32_t faces_ = 0;
    LimbBuffer limbs_;
    std::vector<std::uint64_t> offsets_;
};

} // namespace dorvanel
