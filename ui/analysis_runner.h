// SPDX-License-Identifier: MIT
// Runs the distribution computation off the window's thread. One run at a time: starting
// another cancels the one before, whose result, if it still arrives, is dropped. Signals are
// delivered on the window's thread.
#pragma once

#include "background_job.h"
#include "distribution.h"
#include "distribution_table.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace dorvanel {

// What a run computes: ComputeDistribution, or a test's script.
using Computation =
    std::function<DistributionTable(const DicePool& pool, const RunControl& control)>;

class AnalysisRunner : public QObject {
    Q_OBJECT
public:
    explicit AnalysisRunner(Computation compute, QObject* parent = nullptr);
    ~AnalysisRunner() override;

    // The table may hold up to `memoryBudget` bytes, or any amount when there is none; a pool
    // whose working space alone exceeds it, or that cannot be counted in reasonable time, fails.
    // Its statistics, which may read every count, come with it, written with `decimalSeparator`.
    void Start(const DicePool& pool, std::optional<std::uint64_t> memoryBudget,
               char decimalSeparator = '.');
    // Stops the current run, if any, and says so with Cancelled.
    void Cancel();
    // Stops the current run, if any, silently: nothing of it is delivered.
    void Discard();
    bool IsRunning() const { return job_.IsRunning(); }

signals:
    void Progress(double run, double stage);
    void Finished(std::shared_ptr<const DistributionTable> table,
                  std::vector<std::string> statistics);
    void Failed(const QString& message);
    void Cancelled();

private:
    const Computation compute_;
    BackgroundJob job_{this};
};

} // namespace dorvanel
