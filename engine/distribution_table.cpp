#include "distribution_table.h"

#include "checkpointed_counts.h"
#include "count_reader.h"
#include "errors.h"

namespace dorvanel {
namespace {
constexpr std::uint32_t kZero[] = {0};
}

DistributionTable::DistributionTable() = default;

DistributionTable::DistributionTable(std::int32_t dice, std::int32_t faces, LimbBuffer limbs,
                                     std::vector<std::uint64_t> offsets)
    : dice_(dice), faces_(faces), limbs_(std::move(limbs)), offsets_(std::move(offsets)) {}

DistributionTable::DistributionTable(std::int32_t dice, std::int32_t faces,
                                     std::unique_ptr<const CheckpointedCounts> counts)
    : dice_(dice), faces_(faces), checkpointed_(std::move(counts)) {}

DistributionTable::DistributionTable(DistributionTable&& other) noexcept = default;
DistributionTable& DistributionTable::operator=(DistributionTable&& other) noexcept = default;
DistributionTable::~DistributionTable() = default;

double DistributionTable::MeanValue() const {
    return static_cast<double>(std::int64_t{MinValue()} + MaxValue()) / 2.0;
}

std::int64_t DistributionTable::StoredIndex(std::int64_t total) const {
    if (total < 1 || total > MaxValue())
        throw RangeCheckError();
    if (total < MinValue())
        return -1;
    const std::int64_t j = total - MinValue();
    const std::int64_t spread = std::int64_t{dice_} * (faces_ - 1);
    return j > spread / 2 ? spread - j : j; // the distribution is symmetric about its mean
}

std::pair<LimbSpan, std::size_t> DistributionTable::Top(std::int64_t j) const {
    if (j < 0)
        return {kZero, 0};
    if (checkpointed_) {
        const CountSummary& summary = checkpointed_->Summary(j);
        return {summary.Top(), summary.limbs - summary.Top().size()};
    }
    return {WholeCount(j), 0};
}

bool DistributionTable::IsZero(std::int64_t total) const {
    return StoredIndex(total) < 0;
}

std::size_t DistributionTable::DigitCount(std::int64_t total) const {
    const auto [top, below] = Top(StoredIndex(total));
    return below * kLimbDigits + dorvanel::DigitCount(top);
}

std::uint32_t DistributionTable::LeadingDigitsValue(std::int64_t total, std::size_t k) const {
    return dorvanel::LeadingDigitsValue(Top(StoredIndex(total)).first, k);
}

std::string DistributionTable::LeadingDigits(std::int64_t total, std::size_t k) const {
    const auto [top, below] = Top(StoredIndex(total));
    if (below == 0 || k <= dorvanel::DigitCount(top))
        return dorvanel::LeadingDigits(top, k);
    return Digits(total).substr(0, k);
}

std::string DistributionTable::Digits(std::int64_t total) const {
    std::string digits(DigitCount(total), '0');
    WriteDigits(total, digits.data());
    return digits;
}

std::size_t DistributionTable::WriteDigits(std::int64_t total, char* out) const {
    const std::int64_t j = StoredIndex(total);
    if (j < 0)
        return dorvanel::WriteDigits(kZero, out);
    if (!checkpointed_)
        return dorvanel::WriteDigits(WholeCount(j), out);
    if (const std::optional<LimbSpan> kept = checkpointed_->Kept(j))
        return dorvanel::WriteDigits(*kept, out);
    CountReader reader(*this);
    return dorvanel::WriteDigits(reader.Count(total), out);
}

std::uint64_t DistributionTable::StorageBytes() const {
    if (checkpointed_)
        return checkpointed_->Bytes();
    const std::uint64_t limbs = offsets_.empty() ? 0 : offsets_.back();
    return limbs * sizeof(std::uint32_t) + offsets_.size() * sizeof(std::uint64_t);
}

} // namespace dorvanel
