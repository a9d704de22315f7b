// SPDX-License-Identifier: MIT
// What a run will hold, settled before anything is computed: every count whole when the table
// fits the memory budget, otherwise checkpoints spaced as closely as the budget allows.
#pragma once

#include "dice_pool.h"
#include "memory_limits.h"
#include "pool_recurrence.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>

namespace dorvanel {

enum class TableForm { Whole, Checkpointed };

// What the table is for: a listing read through at once, whole wherever the budget allows; a
// first screen shown as soon as can be, whole only while that costs little more than its
// summaries and checkpoints, since touching fresh memory is slow, and its listing's lines
// recomputed from checkpoints as they are shown; or its summary alone, which reads hardly any
// counts, so that a few checkpoints do.
enum class TablePurpose { Listing, FirstScreen, Summary };

struct AnalysisPlan {
    DicePool pool;
    std::shared_ptr<const PoolRecurrence> recurrence;
    TableForm form = TableForm::Whole;
    // Consecutive counts of the recurrence a window holds: what a step reads, or with kept
    // dice what a count combines, whichever is more.
    std::int64_t span = 1;
    // Totals from one checkpoint to the next; 0 for none but the one at the middle.
    std::int64_t checkpointSpacing = 0;
    // The most the run holds at once, and of that the windows kept at checkpoints.
    std::uint64_t bytes = 0;
    std::uint64_t checkpointBytes = 0;
};

// The rules every run follows: PoolLimitError for a pool that cannot be counted exactly or would
// take more than about a minute here (kept dice beyond about ten seconds), naming how many of its
// first dice can; InsufficientMemoryError only when even the working space of the checkpointed
// form exceeds the usable memory; AnalysisCancelled when `cancel` is raised. No budget means no
// limit, and unknown usable memory no refusal.
AnalysisPlan PlanAnalysis(const DicePool& pool, std::optional<std::uint64_t> memoryBudget,
                          std::optional<std::uint64_t> usableMemory,
                          TablePurpose purpose = TablePurpose::Listing,
                          const std::atomic<bool>* cancel = nullptr);

} // namespace dorvanel
