// SPDX-License-Identifier: MIT
#include "count_window.h"

#include "errors.h"

#include <algorithm>

namespace dorvanel {

CountWindow::CountWindow(std::shared_ptr<const PoolRecurrence> recurrence, std::size_t countLimbs,
                         std::int64_t span, std::int64_t behind)
    : recurrence_(std::move(recurrence)), span_(std::max(span, recurrence_->Reach() + 1)),
      slots_(span_ + 1 + std::max<std::int64_t>(behind, 0)), stride_(countLimbs),
      limbs_(static_cast<std::size_t>(slots_) * stride_),
      lengths_(static_cast<std::size_t>(slots_)), step_(stride_) {
    MoveToStart();
}

std::size_t CountWindow::Slot(std::int64_t j) const {
    return static_cast<std::size_t>(((j % slots_) + slots_) % slots_);
}

LimbSpan CountWindow::Count(std::int64_t j) const {
    const std::size_t slot = Slot(j);
    return {limbs_.data() + slot * stride_, lengths_[slot]};
}

void CountWindow::Store(std::int64_t j, LimbSpan count) {
    if (count.size() > stride_)
        throw InternalError("a count of " + std::to_string(count.size()) +
                            " limbs does not fit a window's slot of " + std::to_string(stride_));
    std::copy(count.begin(), count.end(), SlotData(j));
    lengths_[Slot(j)] = static_cast<std::uint32_t>(count.size());
}

void CountWindow::MoveToStart() {
    static constexpr std::uint32_t kZero[] = {0};
    hi_ = 0;
    for (std::int64_t j = 1 - span_; j < 0; ++j)
        Store(j, kZero);
    Store(0, recurrence_->Start().limbs());
}

void CountWindow::Load(std::int64_t lo, const std::vector<LimbSpan>& counts) {
    hi_ = lo + span_ - 1;
    for (std::size_t i = 0; i < counts.size(); ++i)
        Store(lo + static_cast<std::int64_t>(i), counts[i]);
}

// A step writes at most stride_ limbs, the room its numerator is given: the slot holds them.
void CountWindow::Forward() {
    const std::int64_t j = hi_ + 1;
    lengths_[Slot(j)] = static_cast<std::uint32_t>(step_.Forward(
        *recurrence_, hi_, [this](std::int64_t s) { return Count(hi_ - s); }, SlotData(j)));
    hi_ = j;
}

void CountWindow::Backward() {
    const std::int64_t j = lo() - 1;
    const std::int64_t from = lo();
    lengths_[Slot(j)] = static_cast<std::uint32_t>(step_.Backward(
        *recurrence_, from, [this, from](std::int64_t s) { return Count(from + s); }, SlotData(j)));
    hi_ -= 1;
}

void CountWindow::MoveTo(std::int64_t j, std::int64_t before, const std::atomic<bool>* cancel) {
    if (j - before < lo() && !recurrence_->Symmetric())
        MoveToStart();
    for (; j > hi_; Forward())
        ThrowIfCancelled(cancel);
    for (; j - before < lo(); Backward())
        ThrowIfCancelled(cancel);
}

std::uint64_t CountWindow::BytesFor(std::int64_t span, std::size_t countLimbs,
                                    std::int64_t behind) {
    const std::uint64_t slots =
        static_cast<std::uint64_t>(span + std::max<std::int64_t>(behind, 0)) + 1;
    return (slots * countLimbs + slots + countLimbs) * sizeof(std::uint32_t);
}

} // namespace dorvanel
