// SPDX-License-Identifier: MIT
#include "readout.h"

#include "pool_explanation.h"

#include "conversions.h"
#include "count_limbs.h"
#include "count_reader.h"
#include "errors.h"

#include <algorithm>
#include <cmath>
#include <compare>
#include <optional>
#include <vector>

namespace dorvanel {
namespace {

constexpr int kShareDigits = 6;
// Counts this long show whole; longer ones as the general rendering does.
constexpr std::size_t kPlainCountDigits = 15;
// The leading digits every form of the table gives at once, enough to round to fifteen.
constexpr std::size_t kLeadingDigits = 19;

// Odds below this show three significant digits, from it up to kWholeOddsLimit whole.
constexpr long double kWholeOddsFrom = 999.5L;
constexpr long double kWholeOddsLimit = 1e15L;
// As many as a share carries.
constexpr int kMaxOddsDigits = 18;

// "1 in 10.8": one outcome in how many, for a share above zero.
std::string Odds(const WideNumber& share, char decimalSeparator) {
    const WideNumber odds = WideNumber(1.0L) / share;
    const long double value = odds.Value();
    if (value >= kWholeOddsFrom && value < kWholeOddsLimit)
        return "1 in " + std::to_string(std::llround(value));
    // A share below 100 % keeps the digits that tell its odds from 1: "1 in 1.005", not
    // "1 in 1", at 215/216.
    std::string text = odds.Format(3, decimalSeparator);
    for (int digits = 4; text == "1" && odds.Value() > 1.0L && digits <= kMaxOddsDigits; ++digits)
        text = odds.Format(digits, decimalSeparator);
    return "1 in " + text;
}

// "9.25926% (1 in 10.8)", then ", exactly 20/216" when the fraction is known.
std::string Chance(const WideNumber& share, std::optional<std::uint64_t> count,
                   std::optional<std::uint64_t> outcomes, char decimalSeparator) {
    std::string text = (share * WideNumber(100.0L)).Format(kShareDigits, decimalSeparator) + "%";
    if (!share.IsZero())
        text += " (" + Odds(share, decimalSeparator) + ")";
    if (count && outcomes)
        text += ", exactly " + std::to_string(*count) + "/" + std::to_string(*outcomes);
    return text;
}

// The number of outcomes when it has at most kPlainCountDigits digits, and so has every count.
std::optional<std::uint64_t> FewOutcomes(const DistributionTable& table) {
    // The logarithm rules out the huge pools before any product is formed.
    if (OutcomesLog10(table.pool()) >= kPlainCountDigits + 0.5)
        return std::nullopt;
    const Decimal outcomes = ExactOutcomes(table.pool());
    if (outcomes.DigitCount() > kPlainCountDigits)
        return std::nullopt;
    return std::stoull(outcomes.ToString());
}

std::uint64_t SmallCount(const DistributionTable& table, std::int64_t total) {
    return std::stoull(table.LeadingDigits(total, table.DigitCount(total)));
}

// Σ count(t) for t from `first` to `last`, each count at most kPlainCountDigits digits long.
std::uint64_t SmallCountSum(const DistributionTable& table, std::int64_t first, std::int64_t last) {
    std::uint64_t sum = 0;
    for (std::int64_t total = first; total <= last; ++total)
        sum += SmallCount(table, total);
    return sum;
}

// Where a share lies this close to a half its rounding cannot tell which side it is on.
constexpr long double kShareRounding = 1e-15L;

// The outcomes at or below `total` times 100 against `percent` of all outcomes, summed exactly:
// every count at or below it read once.
std::strong_ordering AtMostAgainstExactly(const DistributionTable& table, std::int64_t total,
                                          std::uint32_t percent, const std::atomic<bool>* cancel) {
    CountReader reader(table);
    Decimal atMost;
    for (std::int64_t t = table.MinValue(); t <= std::min<std::int64_t>(total, table.MaxValue());
         ++t) {
        if (t % 1024 == 0)
            ThrowIfCancelled(cancel);
        atMost += Decimal::FromLimbs(reader.Count(t));
    }
    Decimal part = ExactOutcomes(table.pool());
    part.MultiplyBy(percent);
    return atMost.MultiplyBy(100) <=> part;
}

// The share at or below `total` against `percent` %: from the shares, or, where they are too
// close to tell, from the counts.
std::strong_ordering AtMostAgainst(const DistributionTable& table, std::int64_t total,
                                   std::uint32_t percent,
                                   const std::atomic<bool>* cancel = nullptr) {
    const long double off = table.AtMostShare(total).Value() - percent / 100.0L;
    if (std::fabs(off) >= kShareRounding)
        return off < 0 ? std::strong_ordering::less : std::strong_ordering::greater;
    return AtMostAgainstExactly(table, total, percent, cancel);
}

// The smallest total with at least `percent` % of the outcomes at or below it, by bisection.
std::int64_t SmallestReaching(const DistributionTable& table, std::uint32_t percent,
                              const std::atomic<bool>* cancel = nullptr) {
    std::int64_t low = table.MinValue();
    std::int64_t high = table.MaxValue();
    while (low < high) {
        const std::int64_t middle = low + (high - low) / 2;
        if (AtMostAgainst(table, middle, percent, cancel) < 0)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

std::uint32_t Remainder(const Decimal& value, std::uint32_t divisor) {
    std::uint64_t remainder = 0;
    const LimbSpan limbs = value.limbs();
    for (auto limb = limbs.rbegin(); limb != limbs.rend(); ++limb)
        remainder = (remainder * kLimbBase + *limb) % divisor;
    return static_cast<std::uint32_t>(remainder);
}

// The mean as a fraction in lowest terms: numerator over denominator, and its sign.
struct ExactMean {
    bool negative = false;
    Decimal numerator;
    Decimal denominator{1};
};

// Symmetric counts have their mean halfway between the ends; other counts are summed exactly,
// every count read once, over all outcomes, whose only prime factors are those of the dice's
// sides.
ExactMean MeanOf(const DistributionTable& table, const std::atomic<bool>* cancel) {
    const std::int64_t lowest = table.MinValue();
    ExactMean mean;
    std::vector<std::int64_t> sides{2};
    if (table.Index().Symmetric()) {
        const std::int64_t twice = lowest + table.MaxValue();
        mean = {twice < 0, Decimal(static_cast<std::uint64_t>(twice < 0 ? -twice : twice)),
                Decimal(2)};
    } else {
        // Σ (t − lowest)·count(t), then lowest·outcomes added.
        Decimal above;
        CountReader reader(table);
        for (std::int64_t t = lowest; t <= table.MaxValue(); ++t) {
            if (t % 1024 == 0)
                ThrowIfCancelled(cancel);
            above += Decimal::FromLimbs(reader.Count(t))
                         .MultiplyBy(static_cast<std::uint32_t>(t - lowest));
        }
        mean.denominator = ExactOutcomes(table.pool());
        Decimal shift = mean.denominator;
        shift.MultiplyBy(static_cast<std::uint32_t>(lowest < 0 ? -lowest : lowest));
        if (lowest >= 0) {
            mean.numerator = above += shift;
        } else if (above >= shift) {
            mean.numerator = above -= shift;
        } else {
            mean.negative = true;
            mean.numerator = shift -= above;
        }
        sides.clear();
        for (const DiceGroup& factor : table.pool().OutcomeFactors())
            sides.push_back(factor.faces);
    }
    for (std::int64_t side : sides)
        for (std::int64_t p = 2; side > 1; ++p)
            for (; side % p == 0; side /= p) {
                const auto prime = static_cast<std::uint32_t>(p);
                while (Remainder(mean.denominator, prime) == 0 &&
                       Remainder(mean.numerator, prime) == 0) {
                    mean.denominator.DivideExactlyBy(prime);
                    mean.numerator.DivideExactlyBy(prime);
                }
            }
    return mean;
}

// "12.2445987654321 (15869/1296)", or "35" for a whole mean.
std::string MeanText(const DistributionTable& table, char decimalSeparator,
                     const std::atomic<bool>* cancel, std::size_t fractionDigits) {
    if (!table.Index().Symmetric() && ExactOutcomes(table.pool()).DigitCount() > fractionDigits)
        return FloatToStr(table.MeanValue(), decimalSeparator);
    const ExactMean mean = MeanOf(table, cancel);
    const std::string sign = mean.negative ? "-" : "";
    if (mean.denominator == Decimal(1))
        return sign + mean.numerator.ToString();
    const long double value =
        (WideNumber::Of(mean.numerator) / WideNumber::Of(mean.denominator)).Value();
    return FloatToStr(static_cast<double>(mean.negative ? -value : value), decimalSeparator) +
           " (" + sign + mean.numerator.ToString() + "/" + mean.denominator.ToString() + ")";
}

// A tenth of a percent, "< 0.1" and "> 99.9" for what would round to nought or to all.
std::string TenthsOfPercent(const Decimal& part, const Decimal& whole, char decimalSeparator) {
    if (part == Decimal())
        return "0";
    if (part == whole)
        return "100";
    const long double percent = (WideNumber::Of(part) / WideNumber::Of(whole)).Value() * 100.0L;
    if (percent < 0.05L)
        return std::string("< 0") + decimalSeparator + "1";
    if (percent >= 99.95L)
        return std::string("> 99") + decimalSeparator + "9";
    const long long tenths = std::llround(percent * 10.0L);
    return std::to_string(tenths / 10) + decimalSeparator + std::to_string(tenths % 10);
}

} // namespace

std::string VersusText(const std::string& a, const std::string& b, const VersusCounts& counts,
                       char decimalSeparator) {
    const Decimal all = counts.Outcomes();
    return a + " beats " + b + ": " + TenthsOfPercent(counts.higher, all, decimalSeparator) +
           " %, ties " + TenthsOfPercent(counts.ties, all, decimalSeparator) + " %";
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

std::vector<std::string> ReadoutLines(const DistributionTable& table, std::int64_t total,
                                      char decimalSeparator) {
    const std::string number = std::to_string(total);
    if (total < table.MinValue() || total > table.MaxValue())
        return {"Total: " + number + " (cannot occur)"};
    // Exact fractions only for pools of few outcomes, whose totals are few too: the sums
    // below add at most a few thousand counts, each from its own digits.
    const std::optional<std::uint64_t> outcomes = FewOutcomes(table);
    std::optional<std::uint64_t> count, atMost, atLeast;
    if (outcomes) {
        count = SmallCount(table, total);
        atMost = SmallCountSum(table, table.MinValue(), total);
        atLeast = *outcomes - *atMost + *count;
    }
    std::vector<std::string> lines{
        "Total: " + number, "Count: " + CountText(table, total, decimalSeparator),
        "Probability: " + Chance(table.Share(total), count, outcomes, decimalSeparator),
        "At most " + number + ": " +
            Chance(table.AtMostShare(total), atMost, outcomes, decimalSeparator),
        "At least " + number + ": " +
            Chance(table.AtLeastShare(total), atLeast, outcomes, decimalSeparator)};
    // Every chance is over rolls whose explosions stop somewhere: say where.
    if (std::string note = DepthNote(table.pool()); !note.empty()) {
        note[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(note[0])));
        lines.push_back(note);
    }
    return lines;
}

std::string MostLikelyText(const DistributionTable& table) {
    // Runs of three or more as ranges, shorter ones total by total.
    std::vector<std::string> items;
    for (const TotalRun& run : table.MostLikelyTotals()) {
        if (std::int64_t{run.last} - run.first >= 2) {
            items.push_back(std::to_string(run.first) + " to " + std::to_string(run.last));
            continue;
        }
        for (std::int64_t total = run.first; total <= run.last; ++total)
            items.push_back(std::to_string(total));
    }
    std::string text = items.front();
    for (std::size_t i = 1; i < items.size(); ++i)
        text += (i + 1 == items.size() ? " and " : ", ") + items[i];
    return text;
}

std::vector<std::string> StatisticsLines(const DistributionTable& table, char decimalSeparator,
                                         const std::atomic<bool>* cancel,
                                         std::size_t fractionDigits) {
    const WideNumber deviation(std::sqrt(table.Variance()));
    std::string percentiles = "Percentiles: ";
    for (const std::uint32_t percent : {5U, 25U, 75U, 95U})
        percentiles += (percent == 5 ? "" : ", ") + std::to_string(percent) +
                       " %: " + std::to_string(SmallestReaching(table, percent, cancel));
    return {"Mean: " + MeanText(table, decimalSeparator, cancel, fractionDigits),
            "Standard deviation: " + deviation.Format(kShareDigits, decimalSeparator),
            "Median: " + std::to_string(SmallestReaching(table, 50, cancel)),
            "Most likely: " + MostLikelyText(table), percentiles};
}

} // namespace dorvanel
