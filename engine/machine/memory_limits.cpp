// SPDX-License-Identifier: MIT
#include "memory_limits.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <vector>

#include <unistd.h>

namespace dorvanel {
namespace {

constexpr std::uint64_t kBudgetCap = 2'000'000'000;
// Version 1 writes "no limit" as the largest page-aligned 64-bit count; anything this large is
// no limit.
constexpr std::uint64_t kNoLimit = std::uint64_t{1} << 62;

std::optional<std::string> FirstLine(const std::string& path) {
    std::ifstream file(path);
    std::string line;
    if (!std::getline(file, line))
        return std::nullopt;
    return line;
}

std::optional<std::uint64_t> Bytes(const std::optional<std::string>& text) {
    if (!text || text->empty() || text->find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    try {
        return std::stoull(*text);
    } catch (const std::out_of_range&) {
        return std::nullopt;
    }
}

// One version of the control-group file system: where it is mounted, the part of the hierarchy
// the mount shows, and the files that hold a group's limit and use.
struct Hierarchy {
    bool version2 = false;
    std::string mountPoint;
    std::string mountRoot;
    const char* limitFile = nullptr;
    const char* usageFile = nullptr;
};

// The mounts of version 2, and of version 1 with the memory controller.
std::vector<Hierarchy> MemoryHierarchies(const std::string& root) {
    std::vector<Hierarchy> found;
    std::ifstream mounts(root + "/proc/self/mountinfo");
    for (std::string line; std::getline(mounts, line);) {
        // id parent device root mount-point options [optional fields] - type source super-options
        std::istringstream fields(line);
        std::string id, parent, device, mountRoot, mountPoint, options, field;
        fields >> id >> parent >> device >> mountRoot >> mountPoint >> options;
        while (fields >> field && field != "-") {
        }
        std::string type, source, superOptions;
        fields >> type >> source >> superOptions;
        if (type == "cgroup2")
            found.push_back({true, root + mountPoint, mountRoot, "memory.max", "memory.current"});
        else if (type == "cgroup" &&
                 ("," + superOptions + ",").find(",memory,") != std::string::npos)
            found.push_back({false, root + mountPoint, mountRoot, "memory.limit_in_bytes",
                             "memory.usage_in_bytes"});
    }
    return found;
}

// The process's group in a hierarchy: "0::path" for version 2, "n:...,memory,...:path" for
// version 1.
std::optional<std::string> GroupPath(const std::string& root, bool version2) {
    std::ifstream groups(root + "/proc/self/cgroup");
    for (std::string line; std::getline(groups, line);) {
        const std::size_t first = line.find(':');
        const std::size_t second = line.find(':', first + 1);
        if (first == std::string::npos || second == std::string::npos)
            continue;
        const std::string controllers = line.substr(first + 1, second - first - 1);
        const bool matches = version2
                                 ? line.compare(0, first, "0") == 0 && controllers.empty()
                                 : ("," + controllers + ",").find(",memory,") != std::string::npos;
        if (matches)
            return line.substr(second + 1);
    }
    return std::nullopt;
}

// The smallest headroom from the process's group up to the top of what the mount shows.
std::optional<std::uint64_t> HeadroomIn(const Hierarchy& hierarchy, const std::string& group) {
    // Inside a namespace the process's path may not start with the mount's root; the mount then
    // shows the group itself.
    std::string relative;
    if (hierarchy.mountRoot == "/")
        relative = group;
    else if (group.rfind(hierarchy.mountRoot, 0) == 0 &&
             (group.size() == hierarchy.mountRoot.size() ||
              group[hierarchy.mountRoot.size()] == '/'))
        relative = group.substr(hierarchy.mountRoot.size());
    std::optional<std::uint64_t> headroom;
    for (;;) {
        const std::string folder = hierarchy.mountPoint + relative;
        const std::optional<std::uint64_t> limit =
            Bytes(FirstLine(folder + "/" + hierarchy.limitFile));
        const std::optional<std::uint64_t> usage =
            Bytes(FirstLine(folder + "/" + hierarchy.usageFile));
        if (limit && *limit < kNoLimit && usage) {
            const std::uint64_t left = *limit > *usage ? *limit - *usage : 0;
            headroom = std::min(headroom.value_or(left), left);
        }
        const std::size_t slash = relative.find_last_of('/');
        if (relative.empty() || slash == std::string::npos)
            return headroom;
        relative.erase(slash);
    }
}

std::optional<std::uint64_t> AvailableMemory(const std::string& root) {
    std::ifstream meminfo(root + "/proc/meminfo");
    for (std::string line; std::getline(meminfo, line);) {
        if (line.rfind("MemAvailable:", 0) == 0) {
            std::istringstream fields(line.substr(13));
            std::uint64_t kilobytes = 0;
            if (fields >> kilobytes)
                return kilobytes * 1024;
            break;
        }
    }
    const long pages = sysconf(_SC_AVPHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return std::nullopt;
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
}

std::optional<std::uint64_t> PhysicalMemory() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return std::nullopt;
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
}

std::optional<std::uint64_t> Smaller(std::optional<std::uint64_t> a,
                                     std::optional<std::uint64_t> b) {
    if (!a || !b)
        return a ? a : b;
    return std::min(*a, *b);
}

} // namespace

std::optional<std::uint64_t> ControlGroupHeadroom(const std::string& root) {
    std::optional<std::uint64_t> headroom;
    for (const Hierarchy& hierarchy : MemoryHierarchies(root))
        if (const auto group = GroupPath(root, hierarchy.version2))
            headroom = Smaller(headroom, HeadroomIn(hierarchy, *group));
    return headroom;
}

std::optional<std::uint64_t> UsableMemory(const std::string& root) {
    std::optional<std::uint64_t> machine = AvailableMemory(root);
    if (machine) {
        // Leave a quarter, and at least 1 GB, so that the desktop stays usable during a run.
        const std::uint64_t margin = std::max<std::uint64_t>(*machine / 4, std::uint64_t{1} << 30);
        machine = *machine > margin ? *machine - margin : 0;
    }
    // A group's limit is the process's own: past it the kernel ends the process. The process
    // needs room there beside the table: a quarter, and at least 64 MB, yet never more than
    // half, so that a small group still answers small pools.
    std::optional<std::uint64_t> group = ControlGroupHeadroom(root);
    if (group) {
        const std::uint64_t reserve =
            std::min(std::max<std::uint64_t>(*group / 4, std::uint64_t{64} << 20), *group / 2);
        *group -= reserve;
    }
    return Smaller(machine, group);
}

std::optional<std::uint64_t> DefaultMemoryBudget(const std::string& root) {
    std::optional<std::uint64_t> budget = kBudgetCap;
    if (const auto physical = PhysicalMemory())
        budget = std::min(*budget, *physical / 4);
    return Smaller(budget, UsableMemory(root));
}

ClampedBudget ClampMemoryBudget(std::uint64_t requested, std::optional<std::uint64_t> usable) {
    if (usable && requested > *usable)
        return {*usable, true};
    return {requested, false};
}

} // namespace dorvanel
