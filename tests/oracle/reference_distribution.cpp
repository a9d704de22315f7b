// SPDX-License-Identifier: MIT
#include "reference_distribution.h"

#include "digit_strings.h"

namespace dorvanel::reference {

std::vector<std::string> ComputeDistributionByAddition(std::int32_t dice, std::int32_t faces) {
    const std::size_t maxValue = static_cast<std::size_t>(dice) * static_cast<std::size_t>(faces);
    std::vector<std::string> table(maxValue + 1, "0");
    std::vector<std::string> work(maxValue + 1, "0");
    for (std::int32_t t = 1; t <= faces; ++t)
        table[static_cast<std::size_t>(t)] = "1";
    for (std::int32_t die = 2; die <= dice; ++die) {
        for (std::size_t f = 1; f <= static_cast<std::size_t>(faces); ++f) {
            for (std::size_t t = 1; t <= maxValue; ++t) {
                if (table[t] != "0")
                    work[t + f] = AddDigitStrings(work[t + f], table[t]);
            }
        }
        for (std::size_t t = 1; t <= maxValue; ++t) {
            table[t] = work[t];
            work[t] = "0";
        }
    }
    return table;
}

} // namespace dorvanel::reference
