// SPDX-License-Identifier: MIT
#include "readout.h"

#include "conversions.h"

#include <cmath>

namespace dorvanel {
namespace {

constexpr int kShareDigits = 6;
// Counts this long show whole; longer ones as the general rendering does.
constexpr std::size_t kPlainCountDigits = 15;
// The leading digits every form of the table gives at once, enough to round to fifteen.
constexpr std::size_t kLeadingDigits = 19;

std::string Percent(const WideNumber& share, char decimalSeparator) {
    return (share * WideNumber(100.0L)).Format(kShareDigits, decimalSeparator) + "%";
}

std::string CountText(const DistributionTable& table, std::int64_t total, char decimalSeparator) {
    const std::size_t digits = table.DigitCount(total);
    if (digits <= kPlainCountDigits)
        return table.LeadingDigits(total, digits);
    std::string leading = table.LeadingDigits(total, kLeadingDigits);
    leading.resize(digits, '0');
    return FormatIntegerDigits(leading, decimalSeparator) + " (" + std::to_string(digits) +
           " digits)";
}

} // namespace

std::vector<std::string> ReadoutLines(const DistributionTable& table, std::int64_t total,
                                      char decimalSeparator) {
    const std::string number = std::to_string(total);
    if (total < table.MinValue() || total > table.MaxValue())
        return {"Total: " + number + " (cannot occur)"};
    return {"Total: " + number, "Count: " + CountText(table, total, decimalSeparator),
            "Probability: " + Percent(table.Share(total), decimalSeparator),
            "At most " + number + ": " + Percent(table.AtMostShare(total), decimalSeparator),
            "At least " + number + ": " + Percent(table.AtLeastShare(total), decimalSeparator)};
}

std::vector<std::string> SpreadLines(const DicePool& pool, char decimalSeparator) {
    const WideNumber deviation(std::sqrt(pool.Variance()));
    // The totals are symmetric about the mean and peak there, or on both sides of it.
    const std::int64_t twiceMean = std::int64_t{pool.MinValue()} + pool.MaxValue();
    const std::int64_t below = twiceMean >= 0 ? twiceMean / 2 : -((1 - twiceMean) / 2);
    const std::string likely = twiceMean % 2 == 0 ? "Most likely total: " + std::to_string(below)
                                                  : "Most likely totals: " + std::to_string(below) +
                                                        " and " + std::to_string(below + 1);
    return {"Standard deviation: " + deviation.Format(kShareDigits, decimalSeparator), likely};
}

} // namespace dorvanel
