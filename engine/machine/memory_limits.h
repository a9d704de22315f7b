// SPDX-License-Identifier: MIT
// How much memory a run may take: what the machine has available, what the control groups the
// process runs in still allow, and the budget that follows from them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace dorvanel {

// Every function below reads the system's files under `root`, "" for the system itself, so that
// a test can lay out files of its own.

// What the process's control group, and every group above it, still allows: the smallest limit
// less what is used (memory.max and memory.current in version 2, memory.limit_in_bytes and
// memory.usage_in_bytes in version 1); empty when no limit applies or none can be read.
std::optional<std::uint64_t> ControlGroupHeadroom(const std::string& root = "");

// The smaller of what the control groups still allow and the machine's available memory, each
// less the room the rest of the process or of the desktop needs; empty when neither is known.
std::optional<std::uint64_t> UsableMemory(const std::string& root = "");

// The smaller of 2 GB and a quarter of the machine's memory, and never more than the usable
// memory.
std::optional<std::uint64_t> DefaultMemoryBudget(const std::string& root = "");

struct ClampedBudget {
    std::uint64_t bytes = 0;
    bool clamped = false; // lowered from what was asked for
};

// A budget asked for, held to the usable memory when that is known.
ClampedBudget ClampMemoryBudget(std::uint64_t requested, std::optional<std::uint64_t> usable);

} // namespace dorvanel
