// SPDX-License-Identifier: MIT
// The texts that describe one total of an analysis, as the graph's readout shows them, and the
// spread of the totals, as the mean's label tells it on demand.
#pragma once

#include "distribution_table.h"
#include "versus_counts.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace dorvanel {

// A count whole up to 15 digits ("4395456"), beyond in the general rendering followed by its
// number of digits ("4.29900919830675E4977 (4978 digits)"); from the table's leading digits.
std::string CountText(const DistributionTable& table, std::int64_t total,
                      char decimalSeparator = '.');

// "Total: 35", "Count: 4395456", "Probability: 7.26928% (1 in 13.8)", "At most 35: 53.6346%
// (1 in 1.86)", "At least 35: 53.6346% (1 in 1.86)": each share with the odds of one outcome in
// how many, and, where all outcomes number at most 15 digits, the exact fraction of them
// (", exactly 4395456/60466176"). A total that cannot occur gives "Total: 2 (cannot occur)"
// alone.
std::vector<std::string> ReadoutLines(const DistributionTable& table, std::int64_t total,
                                      char decimalSeparator = '.');

// The totals with the largest count: "35", "10 and 11", "1 to 20", "1, 3 and 5", runs of three
// or more as ranges.
std::string MostLikelyText(const DistributionTable& table);

// The figures teachers quote: "Mean: 12.2445987654321 (15869/1296)" (the fraction in lowest
// terms, left out for a whole mean), "Standard deviation: 2.84684", "Median: 12", "Most likely:
// 13" (MostLikelyText) and "Percentiles: 5 %: 7, 25 %: 10, 75 %: 14, 95 %: 17". The median and
// each percentile are the smallest total with at least that share of the outcomes at or below
// it, compared exactly. The mean of counts that are not symmetric reads every count, which for a
// large table takes seconds: it throws AnalysisCancelled once `cancel` is raised.
// The window leaves out a fraction whose outcomes take more digits than this: no one reads it in
// a tooltip, and for a pool not symmetric it would take reading every count.
inline constexpr std::size_t kReadableFractionDigits = 40;
std::vector<std::string> StatisticsLines(const DistributionTable& table,
                                         char decimalSeparator = '.',
                                         const std::atomic<bool>* cancel = nullptr,
                                         std::size_t fractionDigits = SIZE_MAX);

// "4d6kh3 beats 3d6: 62.2 %, ties 8.6 %": the shares of the joint outcomes that A wins and
// ties, to a tenth of a percent; a share that is not nought or all is never shown as one.
std::string VersusText(const std::string& a, const std::string& b, const VersusCounts& counts,
                       char decimalSeparator = '.');

} // namespace dorvanel
