// SPDX-License-Identifier: MIT
#include "listing_blocks.h"

#include "error_reporter.h"
#include "errors.h"
#include "report.h"

#include <QMetaObject>

#include <algorithm>
#include <exception>

namespace dorvanel {
namespace {
// Recently seen blocks kept, so that moving back and forth is immediate.
constexpr std::uint64_t kKeptBytes = std::uint64_t{96} << 20;
} // namespace

ListingBlocks::ListingBlocks(std::shared_ptr<const DistributionTable> table, LineWalk walk,
                             QObject* parent)
    : QObject(parent), table_(std::move(table)), walk_(std::move(walk)),
      lineCount_(Listing(*table_).LineCount()) {
    // Started last, once every member the thread reads is in place.
    worker_ = std::thread([this] { Work(); });
}

ListingBlocks::~ListingBlocks() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        abandon_ = true;
    }
    wake_.notify_one();
    worker_.join();
}

const std::string* ListingBlocks::Line(std::int64_t line) {
    if (line < 0 || line >= lineCount_)
        throw InternalError("listing line " + std::to_string(line) + " asked for, of " +
                            std::to_string(lineCount_));
    const std::int64_t block = line / kBlockLines;
    const auto found = blocks_.find(block);
    if (found == blocks_.end())
        return nullptr;
    const Block& lines = *found->second.first;
    const auto index = static_cast<std::size_t>(line % kBlockLines);
    if (index >= lines.size())
        throw InternalError("listing block " + std::to_string(block) + " holds " +
                            std::to_string(lines.size()) + " lines, without line " +
                            std::to_string(line));
    recent_.splice(recent_.begin(), recent_, found->second.second);
    return &lines[index];
}

void ListingBlocks::Want(std::int64_t first, std::int64_t last) {
    const std::int64_t lastBlock = (lineCount_ - 1) / kBlockLines;
    std::vector<std::int64_t> wanted;
    auto want = [&](std::int64_t block) {
        if (block >= 0 && block <= lastBlock && !blocks_.contains(block) &&
            std::find(wanted.begin(), wanted.end(), block) == wanted.end())
            wanted.push_back(block);
    };
    for (std::int64_t block = first / kBlockLines; block <= last / kBlockLines; ++block)
        want(block);
    want(last / kBlockLines + 1);
    want(first / kBlockLines - 1);
    {
        const std::lock_guard lock(mutex_);
        if (working_ >= 0 && std::find(wanted.begin(), wanted.end(), working_) == wanted.end())
            abandon_ = true;
        wanted_ = std::move(wanted);
    }
    wake_.notify_one();
}

void ListingBlocks::Work() {
    // An error ends the thread, not the program: the window reports it, and the lines not yet
    // arrived stay placeholders, since the walk that failed would fail again.
    QString failure;
    try {
        WorkUntilStopped();
        return;
    } catch (const std::exception& error) {
        failure = ErrorText(error);
    }
    {
        const std::lock_guard lock(mutex_);
        working_ = -1;
    }
    QMetaObject::invokeMethod(
        this, [this, failure] { emit Failed(failure); }, Qt::QueuedConnection);
}

void ListingBlocks::WorkUntilStopped() {
    // One listing for the thread's whole life keeps its place between blocks, so that the
    // next block on costs one step per line.
    const Listing listing(*table_, &abandon_);
    for (;;) {
        std::int64_t block = -1;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !wanted_.empty(); });
            if (stopping_)
                return;
            block = wanted_.front();
            wanted_.erase(wanted_.begin());
            working_ = block;
            abandon_ = false;
        }
        auto lines = std::make_shared<Block>();
        try {
            const std::int64_t first = block * kBlockLines;
            const std::int64_t end = std::min(first + kBlockLines, lineCount_);
            for (std::int64_t line = first; line < end; ++line)
                lines->push_back(walk_ ? walk_(listing, line) : listing.Line(line));
        } catch (const AnalysisCancelled&) {
            lines.reset();
        }
        {
            const std::lock_guard lock(mutex_);
            working_ = -1;
        }
        if (lines)
            QMetaObject::invokeMethod(
                this, [this, block, lines = std::move(lines)] { Arrived(block, lines); },
                Qt::QueuedConnection);
    }
}

void ListingBlocks::Arrived(std::int64_t block, std::shared_ptr<const Block> lines) {
    if (blocks_.contains(block))
        return;
    for (const std::string& line : *lines)
        keptBytes_ += line.size();
    recent_.push_front(block);
    blocks_.emplace(block, std::make_pair(std::move(lines), recent_.begin()));
    // The block just arrived is never the one let go.
    while (keptBytes_ > kKeptBytes && recent_.size() > 1) {
        const auto oldest = blocks_.find(recent_.back());
        for (const std::string& line : *oldest->second.first)
            keptBytes_ -= line.size();
        blocks_.erase(oldest);
        recent_.pop_back();
    }
    emit LinesArrived();
}

} // namespace dorvanel
