// Runs the distribution computation off the window's thread. One run at a time: starting
// another cancels the one before, whose result, if it still arrives, is dropped. Signals are
// delivered on the window's thread.
#pragma once

#include "distribution.h"
#include "distribution_table.h"

#include <QObject>
#include <QThreadPool>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace dorvanel {

// What a run computes: ComputeDistribution, unless a test has put another in its place.
using Computation = std::function<DistributionTable(std::int32_t dice, std::int32_t faces,
                                                    const RunControl& control)>;

// Installs a computation for the runs started from now on, process-wide, and returns the one
// it replaces.
Computation SetComputation(Computation computation);

class AnalysisRunner : public QObject {
    Q_OBJECT
public:
    explicit AnalysisRunner(QObject* parent = nullptr);
    ~AnalysisRunner() override;

    // The table may hold up to `memoryBudget` bytes, or any amount when there is none.
    void Start(std::int32_t dice, std::int32_t faces, std::optional<std::uint64_t> memoryBudget);
    // Stops the current run, if any, and says so with Cancelled.
    void Cancel();
    // Stops the current run, if any, silently: nothing of it is delivered.
    void Discard();
    bool IsRunning() const { return current_ != nullptr; }

signals:
    void Progress(double run, double stage);
    void Finished(std::shared_ptr<const DistributionTable> table);
    void Failed(const QString& message);
    void Cancelled();

private:
    struct Run {
        std::atomic<bool> cancel{false};
        // The latest progress, and whether a delivery of it is already on its way: the window
        // takes it when it gets round to it, never a backlog of stale updates.
        std::atomic<double> run{0};
        std::atomic<double> stage{0};
        std::atomic<bool> progressPosted{false};
    };

    // Hands a result to the window's thread, unless its run has been replaced since.
    template <typename Deliver> void Post(const std::shared_ptr<Run>& run, Deliver deliver);

    std::shared_ptr<Run> current_;
    QThreadPool workers_;
};

} // namespace dorvanel
