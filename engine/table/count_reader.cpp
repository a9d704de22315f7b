// SPDX-License-Identifier: MIT
#include "count_reader.h"

#include "checkpointed_counts.h"
#include "groups_with_rest.h"

namespace dorvanel {
namespace {
constexpr std::uint32_t kZero[] = {0};
}

CountReader::CountReader(const DistributionTable& table, const std::atomic<bool>* cancel)
    : table_(table), cancel_(cancel) {}

CountReader::~CountReader() {
    if (window_)
        table_.checkpointed_->ReleaseWindow(std::move(window_));
}

LimbSpan CountReader::Count(std::int64_t total) {
    const std::int64_t j = table_.StoredIndex(total);
    if (j < 0)
        return kZero;
    const CheckpointedCounts* counts = table_.checkpointed_.get();
    if (counts == nullptr)
        return table_.WholeCount(j);
    // With kept dice a count combines the recurrence's counts j − width + 1 … j.
    const GroupsWithRest* kept = table_.kept_.get();
    const std::int64_t before = kept ? kept->Width() - 1 : 0;
    if (!window_ || j - before < window_->lo() || j > window_->hi()) {
        // A count kept at a checkpoint is read as it stands, unless the window holds it.
        if (!kept)
            if (const std::optional<LimbSpan> checkpoint = counts->Kept(j))
                return *checkpoint;
        if (!window_)
            window_ = counts->AcquireWindow();
        counts->Position(*window_, j, before, cancel_);
    }
    if (!kept)
        return window_->Count(j);
    combined_.resize(counts->CountLimbs());
    const std::size_t length = kept->Combine(
        j, [this](std::int64_t i) { return window_->Count(i); }, combined_.data(), combined_.size(),
        combiner_, terms_);
    return {combined_.data(), length};
}

} // namespace dorvanel
