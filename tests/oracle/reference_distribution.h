// SPDX-License-Identifier: MIT
// The straightforward algorithm the engine must agree with: the table built die by die, one
// digit-string addition per non-zero entry and face. Slow, but obviously right.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace dorvanel::reference {

// Element t (1 … dice × faces) is the count of total t; element 0 is unused.
std::vector<std::string> ComputeDistributionByAddition(std::int32_t dice, std::int32_t faces);

} // namespace dorvanel::reference
