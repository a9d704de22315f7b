// SPDX-License-Identifier: MIT
#include "count_sums.h"

#include <algorithm>

namespace dorvanel {

CountTop TopOf(LimbSpan count) {
    const std::size_t kept = std::min<std::size_t>(count.size(), 3);
    return {count.subspan(count.size() - kept), count.size() - kept};
}

void CountSums::Add(const CountTop& count) {
    if (added_ % kStride == 0)
        sums_.push_back(running_);
    running_ = running_ + WideNumber::FromTopLimbs(count.top, count.below);
    ++added_;
}

} // namespace dorvanel
