// SPDX-License-Identifier: MIT
// Where each total's count is stored: the totals are MinValue + j for j = 0 … spread, stored
// all of them, or for symmetric counts only the lower half, the upper half mirroring it. Every
// reader of counts, and the graph's scaled copy of them, index through this one rule.
#pragma once

#include "dice_pool.h"

#include <cstdint>

namespace dorvanel {

class CountIndex {
public:
    CountIndex() = default;
    explicit CountIndex(const DicePool& pool)
        : minValue_(pool.MinValue()), spread_(pool.Spread()), symmetric_(pool.Symmetric()) {}

    bool Symmetric() const { return symmetric_; }
    // How many counts are stored.
    std::int64_t Entries() const { return (symmetric_ ? spread_ / 2 : spread_) + 1; }
    // The entry of a total, or −1 for a total that cannot occur.
    std::int64_t Stored(std::int64_t total) const {
        const std::int64_t j = total - minValue_;
        if (j < 0 || j > spread_)
            return -1;
        return symmetric_ && j > spread_ / 2 ? spread_ - j : j;
    }

private:
    std::int32_t minValue_ = 0;
    std::int64_t spread_ = 0;
    bool symmetric_ = true;
};

} // namespace dorvanel
