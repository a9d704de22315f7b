// SPDX-License-Identifier: MIT
// The distribution of totals: how many of the ordered outcomes of a pool's dice give each
// total.
#pragma once

#include "analysis_plan.h"
#include "distribution_table.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>

namespace dorvanel {

// The run's progress: the whole run, and the current stage, each from 0 to 1. A stage is one
// stretch of as many totals as a step of the recurrence reaches back: D for dice of D faces.
using ProgressCallback = std::function<void(double run, double stage)>;

// The two ends a table that is not symmetric may be worked out from at once.
enum class TableEnd { Lower, Upper };

struct RunControl {
    ProgressCallback onProgress;               // called from the computing thread
    const std::atomic<bool>* cancel = nullptr; // checked at every total
    // Bytes the table may hold; by default DefaultMemoryBudget(). A table larger than this is
    // checkpointed.
    std::optional<std::uint64_t> memoryBudget;
    // The most its working space may take beside what the machine has free; beyond the smaller
    // the run is refused.
    std::optional<std::uint64_t> workingSpaceLimit;
    TablePurpose purpose = TablePurpose::Listing;
    // Called on each end's own thread before it takes a total; lets tests hold either end back.
    std::function<void(TableEnd end)> beforeTake;
};

// The count of every total, in the form PlanAnalysis chooses, with its errors; and
// AnalysisCancelled when the flag is raised. Nothing is shared with any earlier table, so a
// failed run leaves the caller's previous analysis as it was.
DistributionTable ComputeDistribution(const DicePool& pool, const RunControl& control = {});

} // namespace dorvanel
