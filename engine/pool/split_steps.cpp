// SPDX-License-Identifier: MIT
#include "split_steps.h"

#include "errors.h"
#include "floor_division.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <string>
#include <utility>

namespace dorvanel {
namespace {

__extension__ typedef __int128 Int128;

// Shorter blocks, where the corrections would grow too fast along a longer one, leave too
// little between the hand-overs.
constexpr std::int64_t kShortestBlock = 8;
// Limbs kept between k and the shortest count a block reads: the upper part's sum, short by
// the corrections (below 2^60), must stay positive.
constexpr std::size_t kUpperMargin = 16;
constexpr double kCorrectionLimit = 0x1p60;
constexpr std::uint64_t kCoefficientLimit = std::uint64_t{1} << 40;

std::int64_t Now() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void Pause() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

// Waits until `done` holds for the value: spinning first, as the other thread is usually a
// step away, then asleep.
template <typename Done> std::int32_t Await(const std::atomic<std::int32_t>& value, Done done) {
    constexpr int kSpins = 1 << 12;
    std::int32_t seen = value.load(std::memory_order_acquire);
    for (int spin = 0; !done(seen); ++spin) {
        if (spin < kSpins)
            Pause();
        else
            value.wait(seen, std::memory_order_acquire);
        seen = value.load(std::memory_order_acquire);
    }
    return seen;
}

std::int64_t Coefficient(const PoolRecurrence::Term& term, std::int64_t n) {
    return term.base - term.slope * n;
}

std::uint64_t Magnitude(std::int64_t value) {
    return value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
}

} // namespace

std::size_t AddCorrection(std::uint32_t* upper, std::size_t length, std::size_t room,
                          std::int64_t e) {
    std::size_t i = 0;
    for (std::int64_t carry = e; carry != 0; ++i) {
        if (i == length) {
            if (carry < 0 || i == room)
                throw InternalError("a count split between two threads came out " +
                                    std::string(carry < 0 ? "negative" : "too long"));
            upper[length++] = 0;
        }
        const std::int64_t value = std::int64_t{upper[i]} + carry;
        carry = FloorDivide<std::int64_t>(value, kLimbBase);
        upper[i] = static_cast<std::uint32_t>(value - carry * kLimbBase);
    }
    while (length > 0 && upper[length - 1] == 0)
        --length;
    return length;
}

bool SplitSteps::MayShare(const PoolRecurrence& recurrence, std::size_t countLimbs) {
    if (countLimbs < kMinimumLimbs || !recurrence.LeadingFactors().empty() ||
        std::thread::hardware_concurrency() < 2)
        return false;
    std::uint64_t sum = 0;
    for (const PoolRecurrence::Term& term : recurrence.Terms()) {
        sum += Magnitude(term.base) + Magnitude(term.slope) * Magnitude(recurrence.Spread());
        if (sum > kCoefficientLimit)
            return false;
    }
    return true;
}

SplitSteps::SplitSteps(CountWindow& window, std::size_t minimumLimbs, Choice choice)
    : window_(window), minimumLimbs_(std::max<std::size_t>(minimumLimbs, 2 * kUpperMargin)),
      alwaysSplit_(choice == Choice::AlwaysSplit), lowerSum_(window.stride_),
      helper_([this] { RunUpper(); }) {}

SplitSteps::~SplitSteps() {
    stop_ = true;
    generation_.fetch_add(1, std::memory_order_release);
    generation_.notify_one();
    helper_.join();
}

std::int64_t SplitSteps::Forward(std::int64_t most) {
    // No more than the window keeps, so that the counts passed can still be read.
    const std::int64_t steps = std::clamp<std::int64_t>(
        most, 1, std::min(kLongestBlock, window_.Span() + window_.Behind()));
    const Block block = PlanBlock(steps);
    if (block.steps == 0) {
        for (std::int64_t i = 0; i < steps; ++i)
            window_.Forward();
        return steps;
    }
    const bool split = alwaysSplit_ || choice_.Next();
    const std::int64_t start = Now();
    if (split) {
        RunSplit(block);
        ++splitBlocks_;
    } else {
        for (std::int64_t i = 0; i < block.steps; ++i)
            window_.Forward();
    }
    const double limbs =
        static_cast<double>(block.steps) * static_cast<double>(window_.Count(window_.hi()).size());
    choice_.Timed(split, static_cast<double>(Now() - start) / limbs);
    return block.steps;
}

// A block of `steps` or fewer, or none where the counts are short or the corrections could
// grow past what 64 bits hold: each is at most 2 + (|carry| + Σ|c|·e)/d over the block's own
// counts read, and so grows at most geometrically along it.
SplitSteps::Block SplitSteps::PlanBlock(std::int64_t steps) const {
    const std::int64_t n0 = window_.hi();
    const std::size_t length = window_.Count(n0).size();
    if (length < minimumLimbs_)
        return {};
    std::size_t shortest = length;
    for (std::int64_t j = std::max(n0 - window_.recurrence_->Reach(), window_.lo()); j < n0; ++j)
        shortest = std::min(shortest, window_.Count(j).size());
    const auto k = std::min(static_cast<std::size_t>(lowerShare_ * static_cast<double>(length)),
                            shortest - std::min(shortest, kUpperMargin)) /
                   16 * 16;
    if (k < kUpperMargin)
        return {};
    const auto divisor = static_cast<double>(n0 + 1);
    for (; steps >= kShortestBlock; steps /= 2) {
        double all = 0;
        double inBlock = 0;
        for (const PoolRecurrence::Term& term : window_.recurrence_->Terms()) {
            const auto largest = static_cast<double>(std::max(
                Magnitude(Coefficient(term, n0)), Magnitude(Coefficient(term, n0 + steps - 1))));
            all += largest;
            if (term.offset < steps)
                inBlock += largest;
        }
        double e = 0;
        for (std::int64_t i = 0; i < steps; ++i)
            e = 2 + (all + 1 + inBlock * e) / divisor;
        if (inBlock * e + all + 1 + divisor < kCorrectionLimit)
            return {n0, steps, k};
    }
    return {};
}

bool SplitChoice::Next() {
    if (trialStep_ == kTrialBlocks && --untilTrial_ <= 0) {
        trialStep_ = 0;
        trialCost_ = {kUntimed, kUntimed};
    }
    if (trialStep_ < kTrialBlocks)
        return trialStep_ < kTrialBlocks / 2 ? !splitFaster_ : splitFaster_;
    return splitFaster_;
}

void SplitChoice::Timed(bool split, double cost) {
    const bool takenCore = split && cost > kTakenCore * oneThread_;
    if (trialStep_ == kTrialBlocks) {
        if (takenCore)
            Decide(false);
        return;
    }
    if (trialStep_ % (kTrialBlocks / 2) != 0) {
        double& fastest = trialCost_[split ? 1 : 0];
        fastest = std::min(fastest, cost);
        if (!split)
            oneThread_ = fastest;
    }
    ++trialStep_;
    if (takenCore || trialStep_ == kTrialBlocks)
        Decide(!takenCore && trialCost_[1] < trialCost_[0]);
}

void SplitChoice::Decide(bool splitFaster) {
    retryEvery_ =
        splitFaster == splitFaster_ ? std::min(2 * retryEvery_, kLongestRetry) : kRetryEvery;
    splitFaster_ = splitFaster;
    untilTrial_ = retryEvery_;
    trialStep_ = kTrialBlocks;
}

// The upper part of a count as the helper last left it: uncorrected within the block.
LimbSpan SplitSteps::Upper(std::int64_t idx) const {
    const std::uint32_t* limbs = std::as_const(window_).SlotData(idx);
    const std::size_t k = block_.k;
    if (idx > block_.n0)
        return {limbs + k, upperLengths_[static_cast<std::size_t>(idx - block_.n0 - 1)]};
    const std::size_t length = window_.lengths_[window_.Slot(idx)];
    return length > k ? LimbSpan{limbs + k, length - k} : LimbSpan{};
}

void SplitSteps::StepUpper(std::int64_t i, UpperWork& work) {
    const std::int64_t n = block_.n0 + i;
    work.terms.clear();
    for (const PoolRecurrence::Term& term : window_.recurrence_->Terms())
        work.terms.push_back({Coefficient(term, n), Upper(n - term.offset)});
    const std::size_t room = window_.stride_ - block_.k;
    const std::size_t length = work.combiner.Combine(work.sum.data(), room, work.terms);
    std::uint32_t* quotient = window_.SlotData(n + 1) + block_.k;
    remainders_[static_cast<std::size_t>(i)] =
        DivideFromTop(quotient, work.sum.data(), length, static_cast<std::uint32_t>(n + 1), 0);
    std::size_t trimmed = length;
    while (trimmed > 0 && quotient[trimmed - 1] == 0)
        --trimmed;
    upperLengths_[static_cast<std::size_t>(i)] = static_cast<std::uint32_t>(trimmed);
}

void SplitSteps::RunUpper() {
    std::int32_t seen = 0;
    UpperWork work;
    work.sum.resize(window_.stride_);
    for (;;) {
        seen = Await(generation_, [seen](std::int32_t now) { return now != seen; });
        if (stop_)
            return;
        // Once the last step is posted, block_ is the caller's again.
        const std::int64_t steps = block_.steps;
        try {
            for (std::int64_t i = 0; i < steps; ++i) {
                StepUpper(i, work);
                if (i + 1 == steps)
                    upperFinished_ = Now();
                posted_.store(static_cast<std::int32_t>(i + 1), std::memory_order_release);
                posted_.notify_one();
            }
        } catch (...) {
            error_ = std::current_exception();
            posted_.store(-1, std::memory_order_release);
            posted_.notify_one();
        }
    }
}

void SplitSteps::RunSplit(const Block& block) {
    block_ = block;
    posted_.store(0, std::memory_order_relaxed);
    generation_.fetch_add(1, std::memory_order_release);
    generation_.notify_one();

    const std::vector<PoolRecurrence::Term>& terms = window_.recurrence_->Terms();
    std::int64_t waited = 0;
    for (std::int64_t i = 0; i < block.steps; ++i) {
        const std::int64_t n = block.n0 + i;
        lowerTerms_.clear();
        Int128 carried = 0;
        for (const PoolRecurrence::Term& term : terms) {
            const std::int64_t c = Coefficient(term, n);
            const std::int64_t idx = n - term.offset;
            lowerTerms_.push_back({c, window_.Count(idx)});
            if (idx > block.n0) {
                lowerTerms_.back().count = {window_.SlotData(idx), block.k};
                carried += Int128{c} * corrections_[static_cast<std::size_t>(idx - block.n0 - 1)];
            }
        }
        carried += lowerCombiner_.CombineLow(lowerSum_.data(), block.k, lowerTerms_);

        const std::int64_t before = Now();
        const std::int32_t posted =
            Await(posted_, [i](std::int32_t now) { return now < 0 || now > i; });
        waited += Now() - before;
        if (posted < 0)
            std::rethrow_exception(error_);
        const std::int64_t divisor = n + 1;
        const Int128 entering = carried + static_cast<Int128>(remainders_[i]);
        if (entering >= Int128{1} << 62 || entering <= -(Int128{1} << 62))
            throw InternalError("a correction between two threads' limbs left 62 bits");
        const std::int64_t e = FloorDivide(static_cast<std::int64_t>(entering), divisor);
        corrections_[static_cast<std::size_t>(i)] = e;
        DivideExactly(
            window_.SlotData(n + 1), lowerSum_.data(), block.k, static_cast<std::uint32_t>(divisor),
            static_cast<std::uint32_t>(static_cast<std::int64_t>(entering) - e * divisor));
    }
    // Toward the thread that waited less: the helper idles from its last step to here.
    const std::int64_t idle = Now() - upperFinished_;
    lowerShare_ = std::clamp(lowerShare_ + (waited > idle ? 0.01 : -0.01), 0.25, 0.75);
    Settle(block);
}

// Adds each count's correction into its upper limbs, in step order, and takes the window on.
void SplitSteps::Settle(const Block& block) {
    for (std::int64_t i = 0; i < block.steps; ++i) {
        const std::int64_t j = block.n0 + 1 + i;
        std::uint32_t* limbs = window_.SlotData(j);
        std::size_t length =
            block.k + AddCorrection(limbs + block.k, upperLengths_[static_cast<std::size_t>(i)],
                                    window_.stride_ - block.k,
                                    corrections_[static_cast<std::size_t>(i)]);
        while (length > 1 && limbs[length - 1] == 0)
            --length;
        window_.lengths_[window_.Slot(j)] = static_cast<std::uint32_t>(length);
    }
    window_.hi_ = block.n0 + block.steps;
}

} // namespace dorvanel
