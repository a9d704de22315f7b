// SPDX-License-Identifier: MIT
// The lines of a checkpointed table's listing, worked out on a thread of their own in blocks
// and kept for a while, so that the view never waits for a walk from a checkpoint: it shows
// what has arrived, asks for what it lacks, and is told when more arrives.
#pragma once

#include "distribution_table.h"
#include "report.h"

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace dorvanel {

// How a line's text is had from the listing: Listing::Line, or a test's stand-in.
using LineWalk = std::function<std::string(const Listing& listing, std::int64_t line)>;

class ListingBlocks : public QObject {
    Q_OBJECT
public:
    static constexpr std::int64_t kBlockLines = 64;

    explicit ListingBlocks(std::shared_ptr<const DistributionTable> table, LineWalk walk = {},
                           QObject* parent = nullptr);
    ~ListingBlocks() override;

    // The line when it has arrived, else null; valid until control returns to the event loop.
    // A line outside the listing, or missing from its block, throws InternalError.
    const std::string* Line(std::int64_t line);
    // Asks for the lines first … last, then for the blocks either side of them; replaces what
    // was asked for before.
    void Want(std::int64_t first, std::int64_t last);

signals:
    void LinesArrived();
    // A walk failed: the message says why. No line arrives after it.
    void Failed(const QString& message);

private:
    using Block = std::vector<std::string>;

    void Work();
    void WorkUntilStopped();
    void Arrived(std::int64_t block, std::shared_ptr<const Block> lines);

    std::shared_ptr<const DistributionTable> table_;
    const LineWalk walk_;
    std::int64_t lineCount_;

    // Arrived blocks, most recently used first; touched only on the window's thread.
    std::map<std::int64_t,
             std::pair<std::shared_ptr<const Block>, std::list<std::int64_t>::iterator>>
        blocks_;
    std::list<std::int64_t> recent_;
    std::uint64_t keptBytes_ = 0;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<std::int64_t> wanted_; // most urgent first
    std::int64_t working_ = -1;        // the block on its way
    bool stopping_ = false;
    std::atomic<bool> abandon_{false}; // stops the walk for the block on its way
    // Runs Work from the end of the constructor; the destructor joins it before any member goes.
    std::thread worker_;
};

} // namespace dorvanel
