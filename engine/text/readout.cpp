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

// The smallest total with at least half the outcomes at or below it, found by bisection; when
// exactly half are, the median lies halfway to the next total.
std::string MedianText(const DistributionTable& table, char decimalSeparator) {
    const WideNumber half(0.5L);
    auto belowHalf = [&](std::int64_t total) {
        const WideNumber share = table.AtMostShare(total);
        return share.Exponent() < half.Exponent() ||
               (share.Exponent() == half.Exponent() && share.Mantissa() < half.Mantissa());
    };
    std::int64_t low = table.MinValue();
    std::int64_t high = table.MaxValue();
    while (low < high) {
        const std::int64_t middle = low + (high - low) / 2;
        if (belowHalf(middle))
            low = middle + 1;
        else
            high = middle;
    }
    // Shares carry about 19 digits: a half within their rounding is a half.
    const WideNumber share = table.AtMostShare(low);
    const bool exactlyHalf = share.Exponent() == half.Exponent() &&
                             std::fabs(share.Mantissa() - half.Mantissa()) < 1e-15L;
    return exactlyHalf && low < table.MaxValue()
               ? FloatToStr(static_cast<long double>(low) + 0.5L, decimalSeparator)
               : std::to_string(low);
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

std::vector<std::string> SpreadLines(const DistributionTable& table, char decimalSeparator) {
    const WideNumber deviation(std::sqrt(table.Variance()));
    std::vector<std::string> lines{"Standard deviation: " +
                                   deviation.Format(kShareDigits, decimalSeparator)};
    if (!table.Index().Symmetric())
        lines.push_back("Median: " + MedianText(table, decimalSeparator));
    const std::vector<std::int32_t>& likely = table.MostLikelyTotals();
    std::string totals = std::to_string(likely.front());
    for (std::size_t i = 1; i < likely.size(); ++i)
        totals += (i + 1 == likely.size() ? " and " : ", ") + std::to_string(likely[i]);
    lines.push_back((likely.size() == 1 ? "Most likely total: " : "Most likely totals: ") + totals);
    return lines;
}

} // namespace dorvanel
