// The distribution of totals: how many of the D^N ordered outcomes of N dice with faces
// 1 … D give each total.
#pragma once

#include "analysis_plan.h"
#include "distribution_table.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>

namespace dorvanel {

// The run's progress: the whole run, and the current stage, each from 0 to 1. A stage is one
// stretch of D totals, the span one more die adds.
using ProgressCallback = std::function<void(double run, double stage)>;

struct RunControl {
    ProgressCallback onProgress;               // called from the computing thread
    const std::atomic<bool>* cancel = nullptr; // checked at every total
    // Bytes the table may hold; by default DefaultMemoryBudget(). A table larger than this is
    // checkpointed.
    std::optional<std::uint64_t> memoryBudget;
};

// MinValue = N, MaxValue = N × D, MeanValue = (N + MaxValue) / 2.0, in 32-bit signed
// arithmetic: a product or sum that does not fit throws IntegerOverflowError.
AnalysisBounds BeginAnalysis(std::int32_t dice, std::int32_t faces);

// The count of every total, in the form PlanAnalysis chooses, with its errors; and
// AnalysisCancelled when the flag is raised. Nothing is shared with any earlier table, so a
// failed run leaves the caller's previous analysis as it was.
DistributionTable ComputeDistribution(std::int32_t dice, std::int32_t faces,
                                      const RunControl& control = {});

} // namespace dorvanel
