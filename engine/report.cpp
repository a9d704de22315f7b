#include "report.h"

#include "conversions.h"
#include "errors.h"

#include <cmath>
#include <cstring>

namespace dorvanel {
namespace {

// Beyond this many digits D^N is not worked out: it would take too long, and no table
// that large fits in memory anyway.
constexpr double kMaxExactPowerDigits = 200'000;

bool PowerOverflows(long double power) {
    return std::isinf(power);
}

// |faces|^dice exactly, for a power beyond the extended range.
Decimal ExactPower(std::int32_t dice, std::int32_t faces) {
    const std::uint32_t base =
        faces < 0 ? 0u - static_cast<std::uint32_t>(faces) : static_cast<std::uint32_t>(faces);
    if (dice < 0 || dice * std::log10(static_cast<double>(base)) > kMaxExactPowerDigits)
        throw FloatingPointError("Floating point overflow");
    return Decimal::Power(base, static_cast<std::uint32_t>(dice));
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

} // namespace

std::string TotalPossibleRollsText(std::int32_t dice, std::int32_t faces, char decimalSeparator) {
    const long double power = Power(faces, dice);
    if (!PowerOverflows(power))
        return "Total Possible Rolls: " + FloatToStr(power, decimalSeparator);
    const std::string magnitude =
        FormatIntegerDigits(ExactPower(dice, faces).ToString(), decimalSeparator);
    const bool negative = faces < 0 && dice % 2 != 0;
    return "Total Possible Rolls: " + std::string(negative ? "-" : "") + magnitude;
}

std::string RangeText(const AnalysisBounds& bounds) {
    return "Min.: " + IntToStr(bounds.MinValue) + "    Max.: " + IntToStr(bounds.MaxValue);
}

std::string ValueText(const AnalysisBounds& bounds, char decimalSeparator) {
    return "Value: " + FloatToStr(bounds.MeanValue, decimalSeparator);
}

std::string ValuePossibilitiesText(const DistributionTable& table, char decimalSeparator) {
    const std::string count = table.Digits(Trunc(table.MeanValue()));
    const long double power = Power(table.faces(), table.dice());
    const std::string rendered = PowerOverflows(power)
                                     ? FormatIntegerDigits(count, decimalSeparator)
                                     : FloatToStr(StrToFloat(count), decimalSeparator);
    return "Value Possibilities: " + rendered;
}

std::string ProbabilityText(const DistributionTable& table, char decimalSeparator) {
    const std::string count = table.Digits(Trunc(table.MeanValue()));
    const long double power = Power(table.faces(), table.dice());
    std::int64_t thousandths = 0;
    if (PowerOverflows(power)) {
        thousandths = ExactThousandthsOfPercent(Decimal::FromDigits(count),
                                                ExactPower(table.dice(), table.faces()));
    } else {
        // Extended precision throughout, but the product is rounded to a double before it is
        // cut: 1 of 1000 is 99.999… in extended and exactly 100 as a double.
        const long double scaled = StrToFloat(count) / power * 100 * 1000;
        thousandths = Trunc(static_cast<double>(scaled));
    }
    const double percent = static_cast<double>(static_cast<long double>(thousandths) / 1000);
    return "Probability of Value: " + FloatToStr(percent, decimalSeparator) + "%";
}

Listing::Listing(const DistributionTable& table, const std::atomic<bool>* cancel)
    : table_(table), width_(IntToStr(table.MaxValue()).size()), reader_(table, cancel) {}

std::int64_t Listing::LineCount() const {
    return table_.empty() ? 0 : std::int64_t{table_.MaxValue()} - table_.MinValue() + 1;
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
