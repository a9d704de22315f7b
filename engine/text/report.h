// SPDX-License-Identifier: MIT
// The texts an analysis is reported in: five summary labels and one listing line per total.
#pragma once

#include "count_reader.h"
#include "distribution_table.h"

#include <cstdint>
#include <string>

namespace dorvanel {

// "Total Possible Rolls: " and D^N, for two whole numbers as the spin edits give them. Where
// D^N leaves the extended range it is rendered as its exact digits render, worked out from its
// leading digits in moments; beyond 200000 digits, and for zero faces to a negative power, it
// throws FloatingPointError.
std::string TotalPossibleRollsText(std::int32_t dice, std::int32_t faces,
                                   char decimalSeparator = '.');
// The same for a pool's outcomes: D^N as above for one kind of dice, else the exact product of
// every D^N, rendered as its digits render.
std::string TotalPossibleRollsText(const DicePool& pool, char decimalSeparator = '.');
// That number of outcomes alone, as the label renders it.
std::string PossibleRollsText(const DicePool& pool, char decimalSeparator = '.');
// "Min.: " and the smallest total, "    Max.: " and the largest.
std::string RangeText(const AnalysisBounds& bounds);
// "Value: " and the mean total.
std::string ValueText(const AnalysisBounds& bounds, char decimalSeparator = '.');
// "Value Possibilities: " and the count of the mean total, or of the total just below it.
std::string ValuePossibilitiesText(const DistributionTable& table, char decimalSeparator = '.');
// "Probability of Value: " and that count's share of all outcomes in percent, cut (not
// rounded) to three decimals, then "%".
std::string ProbabilityText(const DistributionTable& table, char decimalSeparator = '.');
// A count's share of the outcomes in percent as that label renders it, without the sign:
// exactly, cut to three decimals ("12.885").
std::string PercentText(const Decimal& count, const Decimal& outcomes, char decimalSeparator = '.');

// The listing: one line per total from MinValue to MaxValue that some roll gives (for sums of
// plain dice, every one): the total, with its sign, padded with spaces to the width of the
// longer of MinValue and MaxValue, ": " and the count. Lines read in order cost one step each
// in the checkpointed form; for one thread at a time.
class Listing {
public:
    // A walk between checkpoints stops with AnalysisCancelled when `cancel` is raised.
    explicit Listing(const DistributionTable& table, const std::atomic<bool>* cancel = nullptr);

    std::int64_t LineCount() const;
    std::int32_t TotalAt(std::int64_t line) const { return table_.ListedTotal(line); }
    std::size_t LineLength(std::int64_t line) const;
    // The start of every line: the padded total and ": ".
    std::size_t HeadingLength() const { return width_ + 2; }
    void WriteHeading(std::int64_t line, char* out) const;
    std::string Line(std::int64_t line) const;
    // Writes LineLength(line) characters, no terminator, and returns that length.
    std::size_t WriteLine(std::int64_t line, char* out) const;

private:
    const DistributionTable& table_;
    std::size_t width_;
    mutable CountReader reader_;
};

} // namespace dorvanel
