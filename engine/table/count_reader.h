// SPDX-License-Identifier: MIT
// Reads a table's counts total after total. In the checkpointed form it keeps its place, so
// that neighbouring totals, in either direction, each cost one step of the recurrence, and a
// total far away the walk from the nearest checkpoint. For one thread at a time; the table
// must outlive it.
#pragma once

#include "distribution_table.h"
#include "limb_kernels.h"

#include <atomic>
#include <memory>

namespace dorvanel {

class CountWindow;

class CountReader {
public:
    // A walk stops with AnalysisCancelled when `cancel` is raised.
    explicit CountReader(const DistributionTable& table, const std::atomic<bool>* cancel = nullptr);
    ~CountReader();
    CountReader(const CountReader&) = delete;
    CountReader& operator=(const CountReader&) = delete;

    // The count of a total (1 … MaxValue, else RangeCheckError), valid until the next call.
    LimbSpan Count(std::int64_t total);

private:
    const DistributionTable& table_;
    const std::atomic<bool>* cancel_;
    std::unique_ptr<CountWindow> window_;
    // A count combined with the kept dice's, and the working space for it.
    std::vector<std::uint32_t> combined_;
    LimbCombiner combiner_;
    std::vector<ScaledCount> terms_;
};

} // namespace dorvanel
