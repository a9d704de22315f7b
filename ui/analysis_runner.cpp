// SPDX-License-Identifier: MIT
#include "analysis_runner.h"

#include "distribution.h"
#include "error_reporter.h"
#include "errors.h"
#include "readout.h"

#include <exception>

namespace dorvanel {

AnalysisRunner::AnalysisRunner(Computation compute, QObject* parent)
    : QObject(parent), compute_(std::move(compute)) {}

// Cancelled runs stop within one total; the job waits for them.
AnalysisRunner::~AnalysisRunner() = default;

void AnalysisRunner::Start(const DicePool& pool, std::optional<std::uint64_t> memoryBudget,
                           char decimalSeparator) {
    // The work uses `this` on the job's thread: job_ waits for that thread before the runner
    // is gone.
    job_.Start([this, pool, memoryBudget, decimalSeparator,
                compute = compute_](const std::shared_ptr<BackgroundJob::State>& run) {
        RunControl control;
        control.cancel = &run->cancel;
        control.memoryBudget = memoryBudget;
        // Its working space alone may take no more than the budget either.
        control.workingSpaceLimit = memoryBudget;
        // The labels and the graph come first; listing lines are worked out as they are shown.
        control.purpose = TablePurpose::FirstScreen;
        control.onProgress =
            job_.Progress(run, [this](double whole, double stage) { emit Progress(whole, stage); });
        try {
            auto table = std::make_shared<const DistributionTable>(compute(pool, control));
            // A run stopped as it ended may hand back nothing to work out.
            ThrowIfCancelled(&run->cancel);
            std::vector<std::string> statistics =
                table->empty() ? std::vector<std::string>{}
                               : StatisticsLines(*table, decimalSeparator, &run->cancel,
                                                 kReadableFractionDigits);
            job_.Deliver(run, [this, table = std::move(table), statistics = std::move(statistics)] {
                emit Finished(table, statistics);
            });
        } catch (const AnalysisCancelled&) {
            // Whoever cancelled has moved on; nothing to deliver.
        } catch (const std::exception& error) {
            job_.Deliver(run, [this, message = ErrorText(error)] { emit Failed(message); });
        }
    });
}

void AnalysisRunner::Discard() {
    job_.Abandon();
}

void AnalysisRunner::Cancel() {
    if (job_.Abandon())
        emit Cancelled();
}

} // namespace dorvanel
