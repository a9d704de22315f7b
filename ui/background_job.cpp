// SPDX-License-Identifier: MIT
#include "background_job.h"

#include <QMetaObject>

namespace dorvanel {

BackgroundJob::BackgroundJob(QObject* owner) : owner_(owner) {
    workers_.setMaxThreadCount(1);
}

BackgroundJob::~BackgroundJob() {
    Abandon();
    workers_.waitForDone();
}

void BackgroundJob::Start(std::function<void(const std::shared_ptr<State>& job)> work) {
    Abandon();
    auto job = std::make_shared<State>();
    current_ = job;
    // One abandoned while it waited for the one before never starts.
    workers_.start([job, work = std::move(work)] {
        if (!job->cancel)
            work(job);
    });
}

bool BackgroundJob::Abandon() {
    if (!current_)
        return false;
    current_->cancel = true;
    current_.reset();
    return true;
}

void BackgroundJob::Deliver(const std::shared_ptr<State>& job, std::function<void()> deliver) {
    // `this` lives as long as the owner, in whose context the call runs (see the constructor).
    QMetaObject::invokeMethod(
        owner_,
        [this, job, deliver = std::move(deliver)] {
            if (current_ != job)
                return;
            current_.reset();
            deliver();
        },
        Qt::QueuedConnection);
}

ProgressCallback BackgroundJob::Progress(const std::shared_ptr<State>& job,
                                         std::function<void(double whole, double stage)> show) {
    // Called on the job's thread, which ends before `this` does; the posted call runs in the
    // owner's context, as Deliver's does.
    return [this, job, show = std::move(show)](double whole, double stage) {
        job->whole = whole;
        job->stage = stage;
        if (job->progressPosted.exchange(true))
            return;
        QMetaObject::invokeMethod(
            owner_,
            [this, job, show] {
                job->progressPosted = false;
                if (current_ == job)
                    show(job->whole, job->stage);
            },
            Qt::QueuedConnection);
    };
}

} // namespace dorvanel
