// SPDX-License-Identifier: MIT
// Times the engine, the straightforward addition algorithm and the report tool. Each case runs
// in a child process of its own, so that its peak memory is its own.
#include "distribution.h"
#include "errors.h"
#include "pool_notation.h"
#include "reference_distribution.h"
#include "table_export.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

struct Measurement {
    double seconds = 0;
    double peakMegabytes = 0;
};

struct Case {
    std::string pool;
    // Timed against the straightforward algorithm too: N dice of D faces alone.
    bool withReference;
    std::optional<double> secondsTarget = std::nullopt;
    std::optional<double> megabytesTarget = std::nullopt;
    // Bytes the table may hold; by default the machine's default budget.
    std::optional<std::uint64_t> budget = std::nullopt;
    // Long runs are timed once, in a fresh process.
    bool large = false;
    // Printed instead of a long pool.
    const char* label = nullptr;
    // Planning is timed on its own too: the recurrence's set-up and the estimate.
    bool setUp = false;
};

// "N·d<first> + N·d<first + 1> + … + N·d<last>": dice of many sizes.
std::string ManySizes(int dice, int first, int last) {
    std::string pool;
    for (int faces = first; faces <= last; ++faces)
        pool += (pool.empty() ? "" : " + ") + std::to_string(dice) + "d" + std::to_string(faces);
    return pool;
}

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Runs `work` in a child, after `warmUp` if given; the child reports the wall time of `work`
// through a pipe, the parent reads the child's peak resident memory from wait4.
template <typename Work, typename WarmUp = bool (*)()>
std::optional<Measurement> InChild(
    Work work, WarmUp warmUp = [] { return true; }) {
    int fds[2];
    if (pipe(fds) != 0)
        return std::nullopt;
    // What is printed so far must not be printed again by a child that flushes its copy.
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        if (!warmUp())
            _exit(1);
        const double start = Now();
        const bool ok = work();
        const double seconds = ok ? Now() - start : -1;
        const ssize_t written = write(fds[1], &seconds, sizeof seconds);
        _exit(written == sizeof seconds && ok ? 0 : 1);
    }
    close(fds[1]);
    double seconds = -1;
    const bool got = read(fds[0], &seconds, sizeof seconds) == sizeof seconds;
    close(fds[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    if (!got || seconds < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return Measurement{seconds, static_cast<double>(usage.ru_maxrss) / 1024.0};
}

std::string Verdict(double value, std::optional<double> target) {
    if (!target)
        return "";
    char text[64];
    std::snprintf(text, sizeof text, " (target %g: %s)", *target,
                  value <= *target ? "met" : "MISSED");
    return text;
}

bool missedAny = false;

void Report(const char* label, const std::optional<Measurement>& m,
            std::optional<double> secondsTarget, std::optional<double> megabytesTarget) {
    if (!m) {
        std::printf("  %-11s failed\n", label);
        missedAny = true;
        return;
    }
    const std::string time = Verdict(m->seconds, secondsTarget);
    const std::string memory = Verdict(m->peakMegabytes, megabytesTarget);
    missedAny |=
        time.find("MISSED") != std::string::npos || memory.find("MISSED") != std::string::npos;
    std::printf("  %-11s %9.4f s%s   peak %8.1f MB%s\n", label, m->seconds, time.c_str(),
                m->peakMegabytes, memory.c_str());
}

} // namespace

int main(int argc, char** argv) {
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    if (argc > 1 && !quick) {
        std::puts("Usage: dorvanel-bench [--quick]\n"
                  "  --quick  leave out the straightforward algorithm and the largest tables");
        return 2;
    }

    const std::vector<Case> cases = {
        {"3d6", false},
        {"100d6", true},
        {"200d6", true},
        {"60d60", true},
        {"1000d6", false},
        {"100d100", false},
        {"10000d6", false, 0.1},
        {"2000d100", false},
        {"1000d1000", false, 1.2, 700.0},
        {"1000d1000", false, std::nullopt, std::nullopt, 1},
        {"3d6 + 2d8 + 5", false, 0.01},
        {"4d6kh3", false, 0.01},
        {"2d20kh1", false, 0.01},
        {"10d10>=8", false, 0.01},
        {"100d6kh50", false, 0.05},
        {"300d20kh100", false, 10.0},
        {"1000d6kh500", false, 10.0},
        {"10000d6>=5", false},
        {"10000d1000>=500", false},
        {"1000d6 + 1000d8", false, 1.0},
        {"2d6ro<3", false, 0.01},
        {"10d10!10>=8f1", false, 0.01},
        {"100d6!", false, 0.1},
        {"1000d6!", false, 1.0},
        {"1000d{0,0,1,1,2}", false, 0.1},
        {"4d{1,2,4,8}kh2 + 3d6!!", false, 0.01},
        {"{d12 + d10 + d8}kh2", false, 0.01},
        {"{1d20 + 5, 1d12 + 8}kh1", false, 0.01},
        {"{50d6 + 50d8 + 50d10}kh50", false, 0.2},
        // The largest such keep near ten seconds; the next size up is refused.
        {"{133d6 + 133d8 + 133d10}kh133", false, 12.0},
        {"{134d6 + 134d8 + 134d10}kh134", false},
        {"3000d1000", false, std::nullopt, 2000.0, std::nullopt, true},
        {"5000d1000", false, std::nullopt, 2000.0, std::nullopt, true},
        {"10000d1000", false, 30.0, 2000.0, std::nullopt, true},
        {"5000d1000 + 5000d999", false, 60.0, 2000.0, std::nullopt, true},
        {"10000d6>=5 + 10000d1000", false, std::nullopt, 2000.0, std::nullopt, true},
        {"2500d1000 + 2500d999 + 2500d998 + 2500d997", false, std::nullopt, 2000.0, std::nullopt,
         true},
        {.pool = "3d6 + " + ManySizes(1, 2, 160),
         .withReference = false,
         .label = "3d6 + 1d2 + 1d3 + ... + 1d160",
         .setUp = true},
        {.pool = ManySizes(1, 2, 180),
         .withReference = false,
         .label = "1d2 + 1d3 + ... + 1d180",
         .setUp = true},
        // Refused up front: it would take minutes.
        {.pool = ManySizes(5, 950, 999),
         .withReference = false,
         .label = "5d950 + 5d951 + ... + 5d999",
         .setUp = true},
    };
    for (const Case& c : cases) {
        if (quick && c.large)
            continue;
        const dorvanel::DicePool pool = dorvanel::ParsePool(c.pool);
        dorvanel::RunControl control;
        control.memoryBudget = c.budget ? c.budget : dorvanel::DefaultMemoryBudget();
        const char* name = c.label ? c.label : c.pool.c_str();
        auto plan = [&] {
            return dorvanel::PlanAnalysis(pool, control.memoryBudget, std::nullopt);
        };
        std::optional<dorvanel::AnalysisPlan> planned;
        try {
            planned = plan();
            const std::string form = planned->form == dorvanel::TableForm::Whole ? "whole"
                                     : planned->checkpointSpacing == 0
                                         ? "checkpointed at the middle only"
                                         : "checkpointed every " +
                                               std::to_string(planned->checkpointSpacing) +
                                               " totals";
            std::printf("%s, %s\n", name, form.c_str());
        } catch (const dorvanel::PoolLimitError& error) {
            // The end of the message: what would answer.
            const std::string message = error.what();
            std::printf("%s, refused: ...%s\n", name,
                        message.substr(message.size() - std::min<std::size_t>(message.size(), 110))
                            .c_str());
        }
        if (c.setUp)
            Report("set-up", InChild([&] {
                       try {
                           plan();
                       } catch (const dorvanel::PoolLimitError&) {
                       }
                       return true;
                   }),
                   std::nullopt, std::nullopt);
        if (!planned) {
            missedAny |= c.secondsTarget.has_value();
            continue;
        }
        auto compute = [&] {
            return dorvanel::ComputeDistribution(pool, control).MaxValue() == pool.MaxValue();
        };
        // A new process's first large table also pays for the machine handing it fresh pages;
        // a repeat in the same process reuses them and times the computation itself.
        const auto engine = InChild(compute);
        Report("engine", engine, c.secondsTarget, c.megabytesTarget);
        if (!c.large)
            Report("  repeated", InChild(compute, compute), c.secondsTarget, std::nullopt);
        if (c.withReference && !quick) {
            const dorvanel::DiceGroup dice = pool.Groups().front();
            const auto reference = InChild([&] {
                return dorvanel::reference::ComputeDistributionByAddition(dice.count, dice.faces)
                           .size() > 1;
            });
            Report("addition", reference, std::nullopt, std::nullopt);
            if (engine && reference)
                std::printf("  speed-up    %9.0fx\n", reference->seconds / engine->seconds);
        }
    }

    if (!quick) {
        // Escape raises the flag; the run must let go of its thread within a tenth of a second.
        std::printf("cancelling 10000d1000 after 3 s\n");
        const auto stop = InChild([] {
            std::atomic<bool> cancel{false};
            dorvanel::RunControl control;
            control.cancel = &cancel;
            std::thread run([&] {
                try {
                    dorvanel::ComputeDistribution(dorvanel::DicePool::Plain(10000, 1000), control);
                } catch (const dorvanel::AnalysisCancelled&) {
                }
            });
            std::this_thread::sleep_for(std::chrono::seconds(3));
            const double raised = Now();
            cancel = true;
            run.join();
            const double stopped = Now() - raised;
            std::printf("  %-11s %9.4f s (target 0.1: %s)\n", "stopped in", stopped,
                        stopped <= 0.1 ? "met" : "MISSED");
            std::fflush(stdout);
            return stopped <= 0.1;
        });
        if (!stop) {
            std::printf("  stopping took too long\n");
            missedAny = true;
        }
    }

    // The table is computed first, untimed; then its values are written to a file.
    std::printf("export the 1000d1000 table as comma-separated values\n");
    std::optional<dorvanel::DistributionTable> exported;
    const std::string csvPath = "/tmp/dorvanel-bench-" + std::to_string(getpid()) + ".csv";
    const auto csv = InChild(
        [&] {
            std::FILE* file = std::fopen(csvPath.c_str(), "wb");
            if (file == nullptr)
                return false;
            bool written = true;
            dorvanel::WriteCsv(*exported, [&](std::string_view text) {
                written &= std::fwrite(text.data(), 1, text.size(), file) == text.size();
            });
            written &= std::fclose(file) == 0;
            std::printf("  %-11s %9.1f MB\n", "written",
                        static_cast<double>(std::filesystem::file_size(csvPath)) / 1e6);
            std::fflush(stdout);
            std::remove(csvPath.c_str());
            return written;
        },
        [&] {
            exported.emplace(dorvanel::ComputeDistribution(dorvanel::DicePool::Plain(1000, 1000)));
            return true;
        });
    Report("export", csv, 8.0, std::nullopt);

    std::printf("dorvanel-report 1000 1000 > /dev/null\n");
    const auto tool = InChild([] {
        const pid_t pid = fork();
        if (pid == 0) {
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, STDOUT_FILENO);
            execl(DORVANEL_REPORT_TOOL, DORVANEL_REPORT_TOOL, "1000", "1000",
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    });
    // The tool runs in a grandchild: wait4 reports the largest of the two, which is the tool.
    Report("tool", tool, 6.0, std::nullopt);

    std::printf(missedAny ? "\nSome targets were missed.\n" : "\nAll targets met.\n");
    return missedAny ? 1 : 0;
}
