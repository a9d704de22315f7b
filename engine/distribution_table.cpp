#include "distribution_table.h"

#include "errors.h"

namespace dorvanel {
namespace {
constexpr std::uint32_t kZero[] = {0};
}

DistributionTable::DistributionTable(std::int32_t dice, std::int32_t faces, LimbBuffer limbs,
                                     std::vector<std::uint64_t> offsets)
    : dice_(dice), faces_(faces), limbs_(std::move(limbs)), offsets_(std::move(offsets)) {}

double DistributionTable::MeanValue() const {
    return static_cast<double>(std::int64_t{MinValue()} + MaxValue()) / 2.0;
}

LimbSpan DistributionTable::Count(std::int64_t total) const {
    if (total < 1 || total > MaxValue())
        throw RangeCheckError();
    if (total < MinValue())
        return kZero;
    std::uint64_t j = static_cast<std::uint64_t>(total - MinValue());
    const std::uint64_t spread = static_cast<std::uint64_t>(dice_) * (faces_ - 1);
    if (j > spread / 2)
        j = spread - j; // the distribution is symmetric about its mean
    return {limbs_.data() + offsets_[j], offsets_[j + 1] - offsets_[j]};
}

bool DistributionTable::IsZero(std::int64_t total) const {
    const LimbSpan count = Count(total);
    return count.size() == 1 && count[0] == 0;
}

std::size_t DistributionTable::DigitCount(std::int64_t total) const {
    return dorvanel::DigitCount(Count(total));
}

std::string DistributionTable::Digits(std::int64_t total) const {
    const LimbSpan count = Count(total);
    std::string digits(dorvanel::DigitCount(count), '0');
    dorvanel::WriteDigits(count, digits.data());
    return digits;
}

std::string DistributionTable::LeadingDigits(std::int64_t total, std::size_t k) const {
    return dorvanel::LeadingDigits(Count(total), k);
}

std::uint32_t DistributionTable::LeadingDigitsValue(std::int64_t total, std::size_t k) const {
    return dorvanel::LeadingDigitsValue(Count(total), k);
}

std::size_t DistributionTable::WriteDigits(std::int64_t total, char* out) const {
    return dorvanel::WriteDigits(Count(total), out);
}

std::uint64_t DistributionTable::StorageBytes() const {
    const std::uint64_t limbs = offsets_.empty() ? 0 : offsets_.back();
    return limbs * sizeof(std::uint32_t) + offsets_.size() * sizeof(std::uint64_t);
}

} // namespace dorvanel
