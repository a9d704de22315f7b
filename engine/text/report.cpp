// SPDX-License-Identifier: MIT
#include "report.h"

#include "conversions.h"
#include "count_limbs.h"
#include "errors.h"
#include "power_by_squaring.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

namespace dorvanel {
namespace {

// Beyond this many digits D^N is not worked out: it would take too long, and no table
// that large fits in memory anyway.
constexpr double kMaxExactPowerDigits = 200'000;

bool PowerOverflows(long double power) {
    return std::isinf(power);
}

// |faces|, for a power beyond the extended range: throws there the overflow error of powers
// whose digits are not worked out.
std::uint32_t CheckedBase(std::int32_t dice, std::int32_t faces) {
    const std::uint32_t base =
        faces < 0 ? 0u - static_cast<std::uint32_t>(faces) : static_cast<std::uint32_t>(faces);
    if (dice < 0 || dice * std::log10(static_cast<double>(base)) > kMaxExactPowerDigits)
        throw FloatingPointError("Floating point overflow");
    return base;
}

// The leading limbs of a number, most significant last, and how many limbs below them were
// cut off: the number is about limbs · 10^(9 · cut).
struct LeadingLimbs {
    std::vector<std::uint32_t> limbs;
    std::uint64_t cut = 0;
};

// a · b cut to its leading `kept` limbs, rounded down, or up when `up`.
LeadingLimbs Multiply(const LeadingLimbs& a, const LeadingLimbs& b, std::size_t kept, bool up) {
    LeadingLimbs product{MultiplyLimbs(a.limbs, b.limbs), a.cut + b.cut};
    while (product.limbs.size() > kept) {
        const std::size_t drop = product.limbs.size() - kept;
        const bool inexact = std::any_of(product.limbs.begin(), product.limbs.begin() + drop,
                                         [](std::uint32_t limb) { return limb != 0; });
        product.limbs.erase(product.limbs.begin(), product.limbs.begin() + drop);
        product.cut += drop;
        // Rounding up may carry into a new leading limb, cut again on the next round.
        for (std::size_t i = 0; up && inexact; ++i) {
            if (i == product.limbs.size())
                product.limbs.push_back(0);
            if (++product.limbs[i] < kLimbBase)
                break;
            product.limbs[i] = 0;
        }
    }
    return product;
}

// Π D^N from below and from above, each to `kept` limbs.
std::pair<LeadingLimbs, LeadingLimbs> ProductBounds(const std::vector<DiceGroup>& factors,
                                                    std::size_t kept) {
    LeadingLimbs low{{1}};
    LeadingLimbs high{{1}};
    for (const DiceGroup& factor : factors) {
        const auto base = static_cast<std::uint32_t>(factor.faces);
        LeadingLimbs square{{base % kLimbBase}};
        if (base >= kLimbBase)
            square.limbs.push_back(base / kLimbBase);
        const auto exponent = static_cast<std::uint32_t>(factor.count);
        for (const bool up : {false, true}) {
            LeadingLimbs& bound = up ? high : low;
            bound =
                Multiply(bound,
                         PowerBySquaring(square, exponent, LeadingLimbs{{1}},
                                         [kept, up](const LeadingLimbs& a, const LeadingLimbs& b) {
                                             return Multiply(a, b, kept, up);
                                         }),
                         kept, up);
        }
    }
    return {std::move(low), std::move(high)};
}

std::string Rendering(const LeadingLimbs& number, char decimalSeparator) {
    std::string digits = std::to_string(number.limbs.back());
    for (std::size_t i = number.limbs.size() - 1; i-- > 0;) {
        char limb[16];
        std::snprintf(limb, sizeof limb, "%09u", static_cast<unsigned>(number.limbs[i]));
        digits += limb;
    }
    return FormatIntegerDigits(digits, decimalSeparator, kLimbDigits * number.cut);
}

// The rendering of Π D^N as from its exact digits, but from only as many leading digits as
// it takes: the whole product of the largest inputs takes a noticeable time. Both bounds
// rendering alike settles it; the rendering is monotonic. With enough limbs nothing is cut, so
// the search ends.
std::string ProductRendering(const std::vector<DiceGroup>& factors, char decimalSeparator) {
    for (std::size_t kept = 6;; kept *= 4) {
        const auto [low, high] = ProductBounds(factors, kept);
        std::string text = Rendering(low, decimalSeparator);
        if (text == Rendering(high, decimalSeparator))
            return text;
    }
}

// floor(count · 10^5 / power), the percentage in thousandths, exactly: approximated from the
// leading digits, then settled by comparing count · 10^5 with k · power.
std::int64_t ExactThousandthsOfPercent(const Decimal& count, const Decimal& power) {
    // Quotients below one thousandth of a percent of all outcomes cut to 0.
    if (count.DigitCount() + 6 < power.DigitCount())
        return 0;
    Decimal scaledCount = count;
    scaledCount.MultiplyBy(100'000);
    auto timesPower = [&power](std::int64_t factor) {
        Decimal product = power;
        return product.MultiplyBy(static_cast<std::uint32_t>(factor));
    };
    // The first 18 digits of each give k to within one.
    struct Leading {
        long double mantissa;
        long double exponent;
    };
    auto leading = [](const Decimal& value) {
        constexpr std::size_t kDigits = 18;
        const std::string digits = value.ToString();
        const std::size_t kept = std::min(digits.size(), kDigits);
        return Leading{std::stold(digits.substr(0, kept)),
                       static_cast<long double>(digits.size() - kept)};
    };
    const Leading c = leading(scaledCount);
    const Leading t = leading(power);
    const long double ratio = c.mantissa / t.mantissa * std::pow(10.0L, c.exponent - t.exponent);
    std::int64_t k = static_cast<std::int64_t>(ratio);
    while (k > 0 && timesPower(k) > scaledCount)
        --k;
    while (timesPower(k + 1) <= scaledCount)
        ++k;
    return k;
}

// A percentage in thousandths as the labels show it: "12.885", "0", "100".
std::string ThousandthsText(std::int64_t thousandths, char decimalSeparator) {
    const double percent = static_cast<double>(static_cast<long double>(thousandths) / 1000);
    return FloatToStr(percent, decimalSeparator);
}

// D^N as the label renders it.
std::string PowerRendering(std::int32_t dice, std::int32_t faces, char decimalSeparator) {
    const long double power = Power(faces, dice);
    if (!PowerOverflows(power))
        return FloatToStr(power, decimalSeparator);
    const std::uint32_t base = CheckedBase(dice, faces);
    const std::string magnitude =
        ProductRendering({{dice, static_cast<std::int32_t>(base)}}, decimalSeparator);
    const bool negative = faces < 0 && dice % 2 != 0;
    return std::string(negative ? "-" : "") + magnitude;
}

} // namespace

std::string TotalPossibleRollsText(std::int32_t dice, std::int32_t faces, char decimalSeparator) {
    return "Total Possible Rolls: " + PowerRendering(dice, faces, decimalSeparator);
}

std::string PossibleRollsText(const DicePool& pool, char decimalSeparator) {
    if (const std::optional<DiceGroup> single = pool.SingleSize())
        return PowerRendering(single->count, single->faces, decimalSeparator);
    return ProductRendering(pool.OutcomeFactors(), decimalSeparator);
}

std::string TotalPossibleRollsText(const DicePool& pool, char decimalSeparator) {
    return "Total Possible Rolls: " + PossibleRollsText(pool, decimalSeparator);
}

std::string RangeText(const AnalysisBounds& bounds) {
    return "Min.: " + IntToStr(bounds.MinValue) + "    Max.: " + IntToStr(bounds.MaxValue);
}

std::string ValueText(const AnalysisBounds& bounds, char decimalSeparator) {
    return "Value: " + FloatToStr(bounds.MeanValue, decimalSeparator);
}

// One kind of dice keeps the figures it has always shown, D^N in extended precision; other
// pools are worked out exactly.
std::string ValuePossibilitiesText(const DistributionTable& table, char decimalSeparator) {
    const std::string count = table.Digits(Trunc(table.MeanValue()));
    const std::optional<DiceGroup> single = table.pool().SingleSize();
    const bool exact = !single || PowerOverflows(Power(single->faces, single->count));
    const std::string rendered = exact ? FormatIntegerDigits(count, decimalSeparator)
                                       : FloatToStr(StrToFloat(count), decimalSeparator);
    return "Value Possibilities: " + rendered;
}

std::string ProbabilityText(const DistributionTable& table, char decimalSeparator) {
    const std::string count = table.Digits(Trunc(table.MeanValue()));
    const std::optional<DiceGroup> single = table.pool().SingleSize();
    const long double power = single ? Power(single->faces, single->count) : 0.0L;
    std::int64_t thousandths = 0;
    if (!single || PowerOverflows(power)) {
        thousandths =
            ExactThousandthsOfPercent(Decimal::FromDigits(count), ExactOutcomes(table.pool()));
    } else {
        // Extended precision throughout, but the product is rounded to a double before it is
        // cut: 1 of 1000 is 99.999… in extended and exactly 100 as a double.
        const long double scaled = StrToFloat(count) / power * 100 * 1000;
        thousandths = Trunc(static_cast<double>(scaled));
    }
    return "Probability of Value: " + ThousandthsText(thousandths, decimalSeparator) + "%";
}

std::string PercentText(const Decimal& count, const Decimal& outcomes, char decimalSeparator) {
    return ThousandthsText(ExactThousandthsOfPercent(count, outcomes), decimalSeparator);
}

Listing::Listing(const DistributionTable& table, const std::atomic<bool>* cancel)
    : table_(table),
      width_(std::max(IntToStr(table.MinValue()).size(), IntToStr(table.MaxValue()).size())),
      reader_(table, cancel) {}

std::int64_t Listing::LineCount() const {
    return table_.ListedCount();
}

std::size_t Listing::LineLength(std::int64_t line) const {
    return HeadingLength() + table_.DigitCount(TotalAt(line));
}

std::string Listing::Line(std::int64_t line) const {
    std::string text(LineLength(line), ' ');
    WriteLine(line, text.data());
    return text;
}

void Listing::WriteHeading(std::int64_t line, char* out) const {
    const std::string number = IntToStr(TotalAt(line));
    const std::size_t padding = width_ - number.size();
    std::memset(out, ' ', padding);
    std::memcpy(out + padding, number.data(), number.size());
    std::memcpy(out + width_, ": ", 2);
}

std::size_t Listing::WriteLine(std::int64_t line, char* out) const {
    WriteHeading(line, out);
    return HeadingLength() +
           dorvanel::WriteDigits(reader_.Count(TotalAt(line)), out + HeadingLength());
}

} // namespace dorvanel
