// SPDX-License-Identifier: MIT
#include "count_reader.h"

#include "checkpointed_counts.h"

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
    // A kept count is read as it stands, unless the window already holds it.
    if (!window_ || j < window_->lo() || j > window_->hi()) {
        if (const std::optional<LimbSpan> kept = counts->Kept(j))
            return *kept;
        if (!window_)
            window_ = counts->AcquireWindow();
        counts->Position(*window_, j, cancel_);
    }
    return window_->Count(j);
}

} // namespace dorvanel
