// What a run will hold, settled before anything is computed: every count whole when the table
// fits the memory budget, otherwise checkpoints spaced as closely as the budget allows.
#pragma once

#include "distribution_table.h"
#include "memory_limits.h"

#include <cstdint>
#include <optional>

namespace dorvanel {

enum class TableForm { Whole, Checkpointed };

struct AnalysisPlan {
    std::int32_t dice = 0;
    std::int32_t faces = 0;
    AnalysisBounds bounds;
    TableForm form = TableForm::Whole;
    // Totals from one checkpoint to the next; 0 for none but the one at the middle.
    std::int64_t checkpointSpacing = 0;
    // The most the run holds at once.
    std::uint64_t bytes = 0;
};

// The rules every run follows: IntegerOverflowError when N × D or N + MaxValue leaves the
// 32-bit range, SilentAbort for fewer than one die or no totals, and InsufficientMemoryError
// only when even the working space of the checkpointed form exceeds the usable memory. No
// budget means no limit, and unknown usable memory no refusal.
AnalysisPlan PlanAnalysis(std::int32_t dice, std::int32_t faces,
                          std::optional<std::uint64_t> memoryBudget,
                          std::optional<std::uint64_t> usableMemory);

} // namespace dorvanel
