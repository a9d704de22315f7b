// SPDX-License-Identifier: MIT
// A count window's steps shared by two threads, block by block. Within a block every new count
// is split at one limb k. A helper thread works out the upper limbs as if nothing carried into
// them from below and divides them from the top; it hands each step's remainder down and never
// waits for the caller's thread. That thread works out the lower limbs and what they carry: with
// the remainder from above, this settles the lower quotient and a small correction e to the
// upper part, e·10^(9k). The block's upper parts go on uncorrected, so a later step of the block
// counts the corrections of the counts it reads among its own carries; once the block ends, the
// caller adds them in and the window holds the exact counts again.
//
// The caller's thread times blocks of both kinds as they go and keeps to the faster, trying the
// other every so often (SplitChoice): where another process holds the second core, the run stays
// on one.
#pragma once

#include "count_window.h"
#include "limb_kernels.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <exception>
#include <thread>
#include <vector>

namespace dorvanel {

// Which way each block of steps goes, from how long the blocks before took: kTrialBlocks / 2
// blocks the other way, then as many the way held faster, the fastest of each way kept, the first
// of each untimed, as it pays for waking the helper or leaving it to sleep. Between trials blocks
// go the faster way; a block on two threads much slower than one thread's ends the trial or the
// run on two at once: the other core is taken.
class SplitChoice {
public:
    static constexpr std::int64_t kTrialBlocks = 6;
    // Trials are so many blocks apart at first; each that changes nothing doubles the interval,
    // so that a core held by another process costs a few slow blocks in all.
    static constexpr std::int64_t kRetryEvery = 64;
    static constexpr std::int64_t kLongestRetry = 4096;
    // A block on two threads this many times slower than one thread's.
    static constexpr double kTakenCore = 3;

    // Whether the next block goes on two threads.
    bool Next();
    // What the block took, in any unit of time per limb of a step.
    void Timed(bool split, double cost);

private:
    void Decide(bool splitFaster);

    static constexpr double kUntimed = 1e300;
    bool splitFaster_ = false;
    // kTrialBlocks between trials; the first begins at once.
    std::int64_t trialStep_ = 0;
    std::array<double, 2> trialCost_{kUntimed, kUntimed};
    double oneThread_ = kUntimed; // the last trial's on one thread
    std::int64_t retryEvery_ = kRetryEvery;
    std::int64_t untilTrial_ = 0;
};

// A count's correction e added into its upper limbs, at the lowest, for an upper part of `length`
// limbs in room for `room`; returns its new length, trimmed. Throws InternalError when the count
// comes out negative or longer than the room.
std::size_t AddCorrection(std::uint32_t* upper, std::size_t length, std::size_t room,
                          std::int64_t e);

class SplitSteps {
public:
    // Counts shorter than this are stepped on one thread: the hand-overs would cost more than
    // half a step saves.
    static constexpr std::size_t kMinimumLimbs = 1024;
    // Blocks are no longer than this, nor than the window's span and the counts it keeps
    // behind: the hand-overs at a block's ends are then a few hundredths of it.
    static constexpr std::int64_t kLongestBlock = 64;
    enum class Choice { Faster, AlwaysSplit };

    // Whether a window of this recurrence, for counts of up to `countLimbs` limbs, may have its
    // steps split: counts that grow long enough, one division a step, coefficients small enough
    // for the corrections to stay within 64 bits, and a second core.
    static bool MayShare(const PoolRecurrence& recurrence, std::size_t countLimbs);

    // For a window whose recurrence may share its steps; the window must outlive this. Starts the
    // helper thread: throws std::system_error where there is none to be had.
    explicit SplitSteps(CountWindow& window, std::size_t minimumLimbs = kMinimumLimbs,
                        Choice choice = Choice::Faster);
    ~SplitSteps();
    SplitSteps(const SplitSteps&) = delete;
    SplitSteps& operator=(const SplitSteps&) = delete;

    // Moves the window forward by at least one total and at most `most`; returns how many. The
    // counts it passes can still be read while they are within Span() + Behind() of the last.
    std::int64_t Forward(std::int64_t most);

    // Blocks taken on both threads so far.
    std::int64_t SplitBlocks() const { return splitBlocks_; }

private:
    struct Block {
        std::int64_t n0 = 0;    // the window's last count when the block starts
        std::int64_t steps = 0; // counts n0 + 1 … n0 + steps
        std::size_t k = 0;      // where each is split
    };
    // The helper's working space: made on its thread, so that what it allocates lies apart
    // from what the caller's thread writes.
    struct UpperWork {
        LimbCombiner combiner;
        std::vector<ScaledCount> terms;
        std::vector<std::uint32_t> sum;
    };

    Block PlanBlock(std::int64_t steps) const;
    void RunSplit(const Block& block);
    void Settle(const Block& block);
    void RunUpper(); // the helper thread
    void StepUpper(std::int64_t i, UpperWork& work);
    LimbSpan Upper(std::int64_t idx) const;

    // The caller's thread's.
    CountWindow& window_;
    const std::size_t minimumLimbs_;
    const bool alwaysSplit_;
    LimbCombiner lowerCombiner_;
    std::vector<ScaledCount> lowerTerms_;
    std::vector<std::uint32_t> lowerSum_;
    std::array<std::int64_t, kLongestBlock> corrections_{}; // e of each count of the block
    SplitChoice choice_; // timed in nanoseconds per limb of a step
    std::int64_t splitBlocks_ = 0;
    // The share of each count's limbs below k, moved towards whichever thread waits less.
    double lowerShare_ = 0.5;

    // Each group on cache lines of its own, so that one thread's writes do not take the
    // other's lines away.
    // Written by the caller's thread before it raises generation_, read by the helper after.
    alignas(64) Block block_;
    bool stop_ = false;
    // Written by the helper before it raises posted_ past a step, read by the caller after.
    alignas(64) std::array<std::uint64_t, kLongestBlock> remainders_{};
    std::array<std::uint32_t, kLongestBlock> upperLengths_{};
    std::int64_t upperFinished_ = 0; // steady-clock nanoseconds, with the block's last step
    std::exception_ptr error_;

    alignas(64) std::atomic<std::int32_t> generation_{0};
    alignas(64) std::atomic<std::int32_t> posted_{0}; // steps of the block done; −1: failed
    alignas(64) std::thread helper_; // last: starts once the members above are built
};

} // namespace dorvanel
