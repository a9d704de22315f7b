#include "analysis_runner.h"

#include "distribution.h"
#include "errors.h"

#include <QMetaObject>
#include <QThreadPool>

#include <exception>
#include <new>

namespace dorvanel {
namespace {

Computation& CurrentComputation() {
    static Computation computation = ComputeDistribution;
    return computation;
}

} // namespace

Computation SetComputation(Computation computation) {
    Computation previous = std::move(CurrentComputation());
    CurrentComputation() = std::move(computation);
    return previous;
}

AnalysisRunner::AnalysisRunner(QObject* parent) : QObject(parent) {}

AnalysisRunner::~AnalysisRunner() {
    Discard();
    // Cancelled runs stop within one total; none may outlive the runner.
    workers_.waitForDone();
}

template <typename Deliver>
void AnalysisRunner::Post(const std::shared_ptr<Run>& run, Deliver deliver) {
    QMetaObject::invokeMethod(
        this,
        [this, run, deliver = std::move(deliver)]() mutable {
            if (current_ != run)
                return;
            current_.reset();
            deliver();
        },
        Qt::QueuedConnection);
}

void AnalysisRunner::Start(std::int32_t dice, std::int32_t faces,
                           std::optional<std::uint64_t> memoryBudget) {
    Discard();
    auto run = std::make_shared<Run>();
    current_ = run;
    workers_.start([this, run, dice, faces, memoryBudget, compute = CurrentComputation()] {
        RunControl control;
        control.cancel = &run->cancel;
        control.memoryBudget = memoryBudget;
        control.onProgress = [this, run](double whole, double stage) {
            run->run = whole;
            run->stage = stage;
            if (run->progressPosted.exchange(true))
                return;
            QMetaObject::invokeMethod(
                this,
                [this, run] {
                    run->progressPosted = false;
                    if (current_ == run)
                        emit Progress(run->run, run->stage);
                },
                Qt::QueuedConnection);
        };
        try {
            auto table = std::make_shared<const DistributionTable>(compute(dice, faces, control));
            Post(run, [this, table = std::move(table)] { emit Finished(table); });
        } catch (const AnalysisCancelled&) {
            // Whoever cancelled has moved on; nothing to deliver.
        } catch (const std::bad_alloc&) {
            Post(run, [this] { emit Failed(QStringLiteral("Out of memory")); });
        } catch (const std::exception& error) {
            Post(run, [this, message = QString::fromUtf8(error.what())] { emit Failed(message); });
        }
    });
}

void AnalysisRunner::Discard() {
    if (current_)
        current_->cancel = true;
    current_.reset();
}

void AnalysisRunner::Cancel() {
    if (!current_)
        return;
    Discard();
    emit Cancelled();
}

} // namespace dorvanel
