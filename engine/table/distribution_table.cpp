// SPDX-License-Identifier: MIT
#include "distribution_table.h"

#include "checkpointed_counts.h"
#include "count_reader.h"
#include "errors.h"
#include "groups_with_rest.h"
#include "power_by_squaring.h"

#include <algorithm>
#include <optional>

namespace dorvanel {
namespace {
constexpr std::uint32_t kZero[] = {0};

// Π D^N, to about 19 significant digits.
WideNumber Outcomes(const DicePool& pool) {
    WideNumber outcomes(1.0L);
    for (const DiceGroup& group : pool.OutcomeFactors())
        outcomes = outcomes *
                   PowerBySquaring(WideNumber(static_cast<long double>(group.faces)),
                                   static_cast<std::uint64_t>(group.count), WideNumber(1.0L),
                                   [](const WideNumber& a, const WideNumber& b) { return a * b; });
    return outcomes;
}

// Whether every part's counts are log-concave, and so their sum's: plain dice are uniform over
// consecutive values, and two-valued dice are binomial, (failures + successes·x)^N.
bool LogConcave(const DicePool& pool) {
    return pool.Kept().empty() && pool.Ratios().empty();
}

// Totals, each from the entries that store it, as runs of consecutive ones.
template <typename TotalsOf>
std::vector<TotalRun> Runs(const std::vector<std::int64_t>& entries, TotalsOf totalsOf) {
    std::vector<std::int32_t> totals;
    for (const std::int64_t j : entries)
        for (const std::int32_t total : totalsOf(j))
            totals.push_back(total);
    std::sort(totals.begin(), totals.end());
    totals.erase(std::unique(totals.begin(), totals.end()), totals.end());
    std::vector<TotalRun> runs;
    for (const std::int32_t total : totals) {
        if (!runs.empty() && std::int64_t{runs.back().last} + 1 == total)
            runs.back().last = total;
        else
            runs.push_back({total, total});
    }
    return runs;
}

} // namespace

// A count by its length in limbs and its top limbs, most significant first: the whole count
// when it is that short.
std::pair<std::size_t, std::vector<std::uint32_t>>
DistributionTable::Summary(std::int64_t j) const {
    const auto [top, below] = Top(j);
    return std::pair(below + top.size(), std::vector<std::uint32_t>(top.rbegin(), top.rend()));
}

DistributionTable::DistributionTable() = default;

DistributionTable::DistributionTable(DicePool pool, LimbBuffer limbs,
                                     LargeArray<std::uint64_t> offsets, CountSums sums,
                                     std::shared_ptr<const GroupsWithRest> kept)
    : empty_(false), pool_(std::move(pool)), index_(pool_), limbs_(std::move(limbs)),
      offsets_(std::move(offsets)), kept_(std::move(kept)), sums_(std::move(sums)),
      outcomes_(Outcomes(pool_)) {
    Complete();
}

DistributionTable::DistributionTable(DicePool pool,
                                     std::unique_ptr<const CheckpointedCounts> counts,
                                     CountSums sums, std::shared_ptr<const GroupsWithRest> kept)
    : empty_(false), pool_(std::move(pool)), index_(pool_), checkpointed_(std::move(counts)),
      kept_(std::move(kept)), sums_(std::move(sums)), outcomes_(Outcomes(pool_)) {
    Complete();
}

void DistributionTable::Complete() {
    mean_ = pool_.MeanValue();
    variance_ = pool_.Variance() + (kept_ ? kept_->Variance() : 0.0L);
    if (index_.Symmetric()) {
        // The peak is the total the labels take, trunc(mean), in the middle of the run of
        // largest counts: where the keys start, away from either end of a flat run.
        peak_ = static_cast<std::int32_t>((std::int64_t{MinValue()} + MaxValue()) / 2);
        FindMostLikelyOfSymmetric();
        return;
    }
    const std::int64_t last = index_.Entries() - 1;
    sumsFromTop_ = CountSums(static_cast<std::uint64_t>(last) + 1);
    std::vector<std::int64_t> zeros; // from the top down
    for (std::int64_t j = last; j >= 0; --j) {
        const auto [top, below] = Top(j);
        CountTop count = TopOf(top);
        count.below += below;
        sumsFromTop_.Add(count);
        if (below == 0 &&
            std::all_of(top.begin(), top.end(), [](std::uint32_t limb) { return limb == 0; }))
            zeros.push_back(j);
    }
    // Runs of totals no roll gives, lowest first, with the totals skipped before each.
    std::int64_t skipped = 0;
    for (auto zero = zeros.rbegin(); zero != zeros.rend(); ++zero) {
        if (!gaps_.empty() && gaps_.back().start + gaps_.back().length == *zero) {
            ++gaps_.back().length;
        } else {
            skipped += gaps_.empty() ? 0 : gaps_.back().length;
            gaps_.push_back({*zero, 1, skipped});
        }
    }
    mostLikely_ = Runs(LargestEntries(last), [this](std::int64_t j) {
        return std::vector<std::int32_t>{static_cast<std::int32_t>(MinValue() + j)};
    });
    peak_ = mostLikely_.front().first;
}

std::vector<std::int64_t> DistributionTable::LargestEntries(std::int64_t last) const {
    // By their length and top limbs; where those tie and are not the whole count, by the
    // whole counts.
    auto best = Summary(0);
    std::vector<std::int64_t> candidates{0};
    for (std::int64_t j = 1; j <= last; ++j) {
        auto current = Summary(j);
        if (current > best) {
            best = std::move(current);
            candidates = {j};
        } else if (current == best) {
            candidates.push_back(j);
        }
    }
    if (candidates.size() > 1 && best.first > CountSummary::kTopLimbs) {
        CountReader reader(*this);
        std::vector<std::pair<Decimal, std::int64_t>> whole;
        for (const std::int64_t j : candidates)
            whole.emplace_back(Decimal::FromLimbs(reader.Count(MinValue() + j)), j);
        const Decimal largest = std::max_element(whole.begin(), whole.end())->first;
        candidates.clear();
        for (const auto& [count, j] : whole)
            if (count == largest)
                candidates.push_back(j);
    }
    return candidates;
}

void DistributionTable::FindMostLikelyOfSymmetric() {
    const std::int64_t middle = index_.Entries() - 1;
    if (!LogConcave(pool_)) {
        const std::int64_t spread = pool_.Spread();
        mostLikely_ = Runs(LargestEntries(middle), [this, spread](std::int64_t j) {
            return std::vector<std::int32_t>{static_cast<std::int32_t>(MinValue() + j),
                                             static_cast<std::int32_t>(MinValue() + spread - j)};
        });
        return;
    }
    // Log-concave and symmetric, the counts rise to one run of equal largest counts around the
    // middle: walk down from the middle while the count stays the same.
    const auto largest = Summary(middle);
    std::optional<CountReader> reader;
    Decimal middleCount;
    std::int64_t first = middle;
    for (; first > 0 && Summary(first - 1) == largest; --first) {
        // Counts kept whole, or no longer than their top limbs, are told apart by the summary.
        if (!checkpointed_ || largest.first <= CountSummary::kTopLimbs)
            continue;
        if (!reader) {
            reader.emplace(*this);
            middleCount = Decimal::FromLimbs(reader->Count(MinValue() + middle));
        }
        if (Decimal::FromLimbs(reader->Count(MinValue() + first - 1)) != middleCount)
            break;
    }
    mostLikely_ = {{static_cast<std::int32_t>(MinValue() + first),
                    static_cast<std::int32_t>(MaxValue() - first)}};
}

DistributionTable::DistributionTable(DistributionTable&& other) noexcept = default;
DistributionTable& DistributionTable::operator=(DistributionTable&& other) noexcept = default;
DistributionTable::~DistributionTable() = default;

std::int64_t DistributionTable::StoredIndex(std::int64_t total) const {
    if (empty_ || total < FirstTotal() || total > LastTotal())
        throw RangeCheckError();
    return index_.Stored(total);
}

std::pair<LimbSpan, std::size_t> DistributionTable::Top(std::int64_t j) const {
    if (j < 0)
        return {kZero, 0};
    if (checkpointed_) {
        const CountSummary& summary = checkpointed_->Summary(j);
        return {summary.Top(), summary.Below()};
    }
    return {WholeCount(j), 0};
}

std::int64_t DistributionTable::ListedCount() const {
    if (empty_)
        return 0;
    const std::int64_t all = std::int64_t{MaxValue()} - MinValue() + 1;
    return gaps_.empty() ? all : all - gaps_.back().skippedBefore - gaps_.back().length;
}

std::int32_t DistributionTable::ListedTotal(std::int64_t line) const {
    // The gaps that start at or before where the line would fall with all of them skipped.
    const auto after =
        std::upper_bound(gaps_.begin(), gaps_.end(), line, [](std::int64_t l, const Gap& gap) {
            return l < gap.start - gap.skippedBefore;
        });
    const std::int64_t skipped =
        after == gaps_.begin() ? 0 : std::prev(after)->skippedBefore + std::prev(after)->length;
    return static_cast<std::int32_t>(MinValue() + line + skipped);
}

std::int64_t DistributionTable::LineOf(std::int32_t total) const {
    const std::int64_t j = std::int64_t{total} - MinValue();
    const auto after =
        std::upper_bound(gaps_.begin(), gaps_.end(), j,
                         [](std::int64_t i, const Gap& gap) { return i < gap.start; });
    if (after == gaps_.begin())
        return j;
    const Gap& gap = *std::prev(after);
    return j - gap.skippedBefore - std::min(gap.length, j - gap.start);
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

WideNumber DistributionTable::SumThrough(const CountSums& sums, std::int64_t last,
                                         bool fromTop) const {
    const std::int64_t highest = index_.Entries() - 1;
    return sums.Through(last, [this, fromTop, highest](std::int64_t i) {
        const auto [top, below] = Top(fromTop ? highest - i : i);
        CountTop count = TopOf(top);
        count.below += below;
        return count;
    }) / outcomes_;
}

WideNumber DistributionTable::AtMostShare(std::int64_t total) const {
    StoredIndex(total); // the range check
    if (total < MinValue())
        return {};
    if (total >= MaxValue())
        return WideNumber(1.0L);
    const std::int64_t j = total - MinValue();
    const std::int64_t spread = pool_.Spread();
    if (!index_.Symmetric() || j <= spread / 2)
        return SumThrough(sums_, j, false);
    // Above the middle: all but the totals above this one, which mirror the lowest ones.
    const std::int64_t mirrored = spread - j - 1;
    return mirrored < 0 ? WideNumber(1.0L) : OneMinus(SumThrough(sums_, mirrored, false));
}

WideNumber DistributionTable::AtLeastShare(std::int64_t total) const {
    StoredIndex(total);
    if (total <= MinValue())
        return WideNumber(1.0L);
    if (total > MaxValue())
        return {};
    if (!index_.Symmetric())
        return SumThrough(sumsFromTop_, std::int64_t{MaxValue()} - total, true);
    return AtMostShare(std::int64_t{MinValue()} + MaxValue() - total);
}

std::uint64_t DistributionTable::StorageBytes() const {
    const std::uint64_t sums = sums_.Bytes() + sumsFromTop_.Bytes();
    if (checkpointed_)
        return checkpointed_->Bytes() + sums;
    const std::uint64_t limbs = offsets_.empty() ? 0 : offsets_.back();
    return limbs * sizeof(std::uint32_t) + offsets_.size() * sizeof(std::uint64_t) + sums;
}

} // namespace dorvanel
