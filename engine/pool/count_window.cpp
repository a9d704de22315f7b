#include "count_window.h"

#include "errors.h"
#include "table_size.h"

#include <algorithm>

namespace dorvanel {

CountWindow::CountWindow(std::int32_t dice, std::int32_t faces)
    : dice_(dice), faces_(faces), stride_(WorkingLimbs(dice, faces)),
      limbs_(static_cast<std::size_t>(faces + 2) * stride_), lengths_(faces + 2),
      numerator_(stride_), builder_(stride_) {
    MoveToStart();
}

std::size_t CountWindow::Slot(std::int64_t j) const {
    const std::int64_t slots = faces_ + 2;
    return static_cast<std::size_t>(((j % slots) + slots) % slots);
}

LimbSpan CountWindow::Count(std::int64_t j) const {
    const std::size_t slot = Slot(j);
    return {limbs_.data() + slot * stride_, lengths_[slot]};
}

void CountWindow::Store(std::int64_t j, LimbSpan count) {
    std::copy(count.begin(), count.end(), SlotData(j));
    lengths_[Slot(j)] = static_cast<std::uint32_t>(count.size());
}

void CountWindow::MoveToStart() {
    static constexpr std::uint32_t kZero[] = {0};
    static constexpr std::uint32_t kOne[] = {1};
    hi_ = 0;
    for (std::int64_t j = -faces_; j < 0; ++j)
        Store(j, kZero);
    Store(0, kOne);
}

void CountWindow::Load(std::int64_t lo, const std::vector<LimbSpan>& counts) {
    hi_ = lo + faces_;
    for (std::size_t i = 0; i < counts.size(); ++i)
        Store(lo + static_cast<std::int64_t>(i), counts[i]);
}

void CountWindow::Forward() {
    const RecurrenceStep step = ForwardStep(dice_, faces_, hi_);
    const std::size_t numeratorLimbs = builder_.Build(step.a, Count(hi_), step.b, Count(lo()),
                                                      step.c, Count(lo() + 1), numerator_.data());
    const std::int64_t j = hi_ + 1;
    lengths_[Slot(j)] = static_cast<std::uint32_t>(
        DivideExactly(numerator_.data(), numeratorLimbs, step.divisor, SlotData(j)));
    hi_ = j;
}

void CountWindow::Backward() {
    const RecurrenceStep step = BackwardStep(dice_, faces_, hi_ - 1);
    const std::size_t numeratorLimbs = builder_.Build(step.a, Count(hi_), step.b, Count(lo()),
                                                      step.c, Count(hi_ - 1), numerator_.data());
    const std::int64_t j = lo() - 1;
    lengths_[Slot(j)] = static_cast<std::uint32_t>(
        DivideExactly(numerator_.data(), numeratorLimbs, step.divisor, SlotData(j)));
    hi_ -= 1;
}

void CountWindow::MoveTo(std::int64_t j, const std::atomic<bool>* cancel) {
    auto checkCancel = [cancel] {
        if (cancel && cancel->load(std::memory_order_relaxed))
            throw AnalysisCancelled();
    };
    for (; j > hi_; Forward())
        checkCancel();
    for (; j < lo(); Backward())
        checkCancel();
}

std::uint64_t CountWindow::Bytes() const {
    return BytesFor(static_cast<std::int32_t>(dice_), static_cast<std::int32_t>(faces_));
}

std::uint64_t CountWindow::BytesFor(std::int32_t dice, std::int32_t faces) {
    const std::uint64_t stride = WorkingLimbs(dice, faces);
    return (static_cast<std::uint64_t>(faces + 2) * stride + faces + 2 + 3 * stride) *
           sizeof(std::uint32_t);
}

} // namespace dorvanel
