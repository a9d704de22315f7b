// SPDX-License-Identifier: MIT
// One piece of work at a time off the window's thread, for an object that reports on it with
// signals on the window's thread: starting another abandons the one before, and whatever an
// abandoned job still hands over is dropped. A new job starts only once the abandoned one has
// let go, so that two never hold their memory at once.
#pragma once

#include "distribution.h"

#include <QObject>
#include <QThreadPool>

#include <atomic>
#include <functional>
#include <memory>

namespace dorvanel {

class BackgroundJob {
public:
    struct State {
        std::atomic<bool> cancel{false};
        // The latest progress, and whether a delivery of it is already on its way: the owner
        // takes it when it gets round to it, never a backlog of stale updates.
        std::atomic<double> whole{0};
        std::atomic<double> stage{0};
        std::atomic<bool> progressPosted{false};
    };

    // `owner` holds this job as a member, so that the two end together: what the job posts to
    // the owner's thread captures `this` and runs in the owner's context, which drops it when
    // the owner goes, and no worker is left to post by then, since the destructor waits for
    // them.
    explicit BackgroundJob(QObject* owner);
    // Abandons the current job and waits for every thread to let go, so that work which
    // captures the owner may use it to the end.
    ~BackgroundJob();

    void Start(std::function<void(const std::shared_ptr<State>& job)> work);
    // Raises the current job's flag and drops it; false when there was none.
    bool Abandon();
    bool IsRunning() const { return current_ != nullptr; }

    // From the job's thread: runs `deliver` on the owner's thread, ending the job there, unless
    // it has been abandoned by then.
    void Deliver(const std::shared_ptr<State>& job, std::function<void()> deliver);
    // A progress callback for the job that passes the latest figures to `show` on the owner's
    // thread while the job is current.
    ProgressCallback Progress(const std::shared_ptr<State>& job,
                              std::function<void(double whole, double stage)> show);

private:
    QObject* owner_;
    std::shared_ptr<State> current_;
    QThreadPool workers_;
};

} // namespace dorvanel
