// dorvanel-report DICE FACES [--summary | --csv] [--memory-limit BYTES]: the five summary texts
// and the listing of an analysis, or its table as comma-separated values, for scripts, checks
// and benchmarks.
#include "conversions.h"
#include "distribution.h"
#include "errors.h"
#include "memory_limits.h"
#include "report.h"
#include "table_export.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr const char* kUsage =
    "Usage: dorvanel-report DICE FACES [--summary | --csv] [--memory-limit BYTES]\n"
    "\n"
    "Counts, exactly, in how many of the FACES^DICE ordered outcomes of rolling DICE dice\n"
    "with faces 1..FACES each total comes up.\n"
    "\n"
    "Prints five summary lines (possible rolls, range, mean total, the count of the mean\n"
    "total and its probability), then one line per total with its exact count.\n"
    "\n"
    "  DICE       number of dice, 1 to 10000\n"
    "  FACES      number of faces, 1 to 1000\n"
    "  --summary  print only the five summary lines\n"
    "  --csv      print instead one row per total: total,count,probability,at_most,at_least,\n"
    "             the shares of all outcomes with 17 significant digits\n"
    "  --memory-limit BYTES\n"
    "             the most the table of counts may hold (by default the smaller of 2 GB\n"
    "             and a quarter of the machine's memory); a larger table keeps only\n"
    "             checkpoints and recomputes the rest as it is listed\n"
    "  --help     show this help\n"
    "  --version  show the version\n";

constexpr int kUsageError = 2;

struct Arguments {
    std::int32_t dice = 0;
    std::int32_t faces = 0;
    bool summaryOnly = false;
    bool csv = false;
    std::optional<std::uint64_t> memoryLimit;
};

struct UsageError {
    std::string message;
};

std::int32_t ParseInRange(const std::string& text, const char* what, std::int32_t low,
                          std::int32_t high) {
    std::int32_t value = 0;
    try {
        value = dorvanel::StrToInt(text);
    } catch (const dorvanel::ConvertError&) {
        throw UsageError{std::string(what) + " must be a whole number, not '" + text + "'"};
    }
    if (value < low || value > high)
        throw UsageError{std::string(what) + " must be between " + std::to_string(low) + " and " +
                         std::to_string(high) + ", not " + text};
    return value;
}

std::uint64_t ParseBytes(const std::string& text) {
    const bool digits = !text.empty() && text.size() <= 19 &&
                        text.find_first_not_of("0123456789") == std::string::npos;
    if (!digits || std::stoull(text) == 0)
        throw UsageError{"--memory-limit must be a positive whole number of bytes, not '" + text +
                         "'"};
    return std::stoull(text);
}

Arguments Parse(const std::vector<std::string>& args) {
    Arguments parsed;
    std::vector<std::string> numbers;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--summary")
            parsed.summaryOnly = true;
        else if (arg == "--csv")
            parsed.csv = true;
        else if (arg == "--memory-limit")
            parsed.memoryLimit = ParseBytes(i + 1 < args.size() ? args[++i] : std::string());
        else if (arg.size() > 1 && arg[0] == '-' && (arg[1] < '0' || arg[1] > '9'))
            throw UsageError{"unknown option '" + arg + "'"};
        else
            numbers.push_back(arg);
    }
    if (parsed.csv && parsed.summaryOnly)
        throw UsageError{"--csv and --summary do not go together"};
    if (numbers.size() != 2)
        throw UsageError{"expected two numbers, DICE and FACES, but got " +
                         std::to_string(numbers.size())};
    parsed.dice = ParseInRange(numbers[0], "DICE", 1, 10000);
    parsed.faces = ParseInRange(numbers[1], "FACES", 1, 1000);
    return parsed;
}

// Standard output as a sink for the engine's streamed text.
void WriteOut(std::string_view text) {
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size())
        throw std::runtime_error(std::string("cannot write the output: ") + std::strerror(errno));
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::puts("dorvanel-report " DORVANEL_VERSION);
            return 0;
        }
    }
    Arguments parsed;
    try {
        parsed = Parse(args);
    } catch (const UsageError& error) {
        std::fprintf(stderr, "dorvanel-report: %s (see --help)\n", error.message.c_str());
        return kUsageError;
    }

    try {
        const dorvanel::AnalysisBounds bounds = dorvanel::BeginAnalysis(parsed.dice, parsed.faces);
        const std::string possibleRolls =
            dorvanel::TotalPossibleRollsText(parsed.dice, parsed.faces);
        dorvanel::RunControl control;
        if (parsed.memoryLimit) {
            const dorvanel::ClampedBudget budget =
                dorvanel::ClampMemoryBudget(*parsed.memoryLimit, dorvanel::UsableMemory());
            if (budget.clamped)
                std::fprintf(stderr,
                             "dorvanel-report: --memory-limit %llu is more than can be used; "
                             "using %s\n",
                             static_cast<unsigned long long>(*parsed.memoryLimit),
                             dorvanel::DescribeBytes(budget.bytes).c_str());
            control.memoryBudget = budget.bytes;
        }
        const dorvanel::DistributionTable table =
            dorvanel::ComputeDistribution(parsed.dice, parsed.faces, control);
        if (parsed.csv) {
            dorvanel::WriteCsv(table, WriteOut);
        } else {
            std::printf("%s\n%s\n%s\n%s\n%s\n", possibleRolls.c_str(),
                        dorvanel::RangeText(bounds).c_str(), dorvanel::ValueText(bounds).c_str(),
                        dorvanel::ValuePossibilitiesText(table).c_str(),
                        dorvanel::ProbabilityText(table).c_str());
            if (!parsed.summaryOnly)
                dorvanel::WriteListingText(table, WriteOut);
        }
        if (std::fflush(stdout) != 0)
            throw std::runtime_error(std::string("cannot write the output: ") +
                                     std::strerror(errno));
    } catch (const dorvanel::InsufficientMemoryError& error) {
        std::fprintf(stderr, "dorvanel-report: %s\n", error.what());
        return kUsageError;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "dorvanel-report: %s\n", error.what());
        return 1;
    }
    return 0;
}
