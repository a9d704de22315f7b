// SPDX-License-Identifier: MIT
#include "distribution_table.h"

#include "checkpointed_counts.h"
#include "count_reader.h"
#include "errors.h"
#include "power_by_squaring.h"

#include <algorithm>

namespace dorvanel {
namespace {
constexpr std::uint32_t kZero[] = {0};

// Π D^N, to about 19 significant digits.
WideNumber Outcomes(const DicePool& pool) {
    WideNumber outcomes(1.0L);
    for (const DiceGroup& group : pool.Groups())
        outcomes = outcomes *
                   PowerBySquaring(WideNumber(static_cast<long double>(group.faces)),
                                   static_cast<std::uint64_t>(group.count), WideNumber(1.0L),
                                   [](const WideNumber& a, const WideNumber& b) { return a * b; });
    return outcomes;
}

} // namespace

DistributionTable::DistributionTable() = default;

DistributionTable::DistributionTable(DicePool pool, LimbBuffer limbs,
                                     std::vector<std::uint64_t> offsets, CountSums sums)
    : empty_(false), pool_(std::move(pool)), limbs_(std::move(limbs)), offsets_(std::move(offsets)),
      sums_(std::move(sums)), outcomes_(Outcomes(pool_)) {}

DistributionTable::DistributionTable(DicePool pool,
                                     std::unique_ptr<const CheckpointedCounts> counts,
                                     CountSums sums)
    : empty_(false), pool_(std::move(pool)), checkpointed_(std::move(counts)),
      sums_(std::move(sums)), outcomes_(Outcomes(pool_)) {}

DistributionTable::DistributionTable(DistributionTable&& other) noexcept = default;
DistributionTable& DistributionTable::operator=(DistributionTable&& other) noexcept = default;
DistributionTable::~DistributionTable() = default;

std::int64_t DistributionTable::StoredIndex(std::int64_t total) const {
    if (empty_ || total < FirstTotal() || total > LastTotal())
        throw RangeCheckError();
    if (total < MinValue() || total > MaxValue())
        return -1;
    const std::int64_t j = total - MinValue();
    const std::int64_t spread = pool_.Spread();
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

WideNumber DistributionTable::Share(std::int64_t total) const {
    const std::int64_t j = StoredIndex(total);
    if (j < 0)
        return {};
    const auto [top, below] = Top(j);
    const CountTop count = TopOf(top);
    return WideNumber::FromTopLimbs(count.top, count.below + below) / outcomes_;
}

WideNumber DistributionTable::AtMostShare(std::int64_t total) const {
    StoredIndex(total); // the range check
    if (total < MinValue())
        return {};
    if (total >= MaxValue())
        return WideNumber(1.0L);
    const std::int64_t j = total - MinValue();
    const std::int64_t spread = std::int64_t{MaxValue()} - MinValue();
    auto upTo = [this](std::int64_t last) {
        return sums_.Through(last, [this](std::int64_t i) {
            const auto [top, below] = Top(i);
            CountTop count = TopOf(top);
            count.below += below;
            return count;
        }) / outcomes_;
    };
    if (j <= spread / 2)
        return upTo(j);
    // Above the middle: all but the totals above this one, which mirror the lowest ones.
    const std::int64_t mirrored = spread - j - 1;
    return mirrored < 0 ? WideNumber(1.0L) : OneMinus(upTo(mirrored));
}

WideNumber DistributionTable::AtLeastShare(std::int64_t total) const {
    StoredIndex(total);
    if (total <= MinValue())
        return WideNumber(1.0L);
    if (total > MaxValue())
        return {};
    return AtMostShare(std::int64_t{MinValue()} + MaxValue() - total);
}

std::uint64_t DistributionTable::StorageBytes() const {
    if (checkpointed_)
        return checkpointed_->Bytes() + sums_.Bytes();
    const std::uint64_t limbs = offsets_.empty() ? 0 : offsets_.back();
    return limbs * sizeof(std::uint32_t) + offsets_.size() * sizeof(std::uint64_t) + sums_.Bytes();
}

} // namespace dorvanel
