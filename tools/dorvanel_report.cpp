// SPDX-License-Identifier: MIT
// dorvanel-report [--summary | --csv] [--memory-limit BYTES] POOL | DICE FACES: the five
// summary texts and the listing of an analysis, or its table as comma-separated values, for
// scripts, checks and benchmarks; --stats POOL: the figures teachers quote; --versus A B: how
// often each of two pools rolls higher.
#include "conversions.h"
#include "distribution.h"
#include "errors.h"
#include "memory_limits.h"
#include "pool_explanation.h"
#include "pool_notation.h"
#include "readout.h"
#include "report.h"
#include "table_export.h"
#include "versus_counts.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr const char* kUsage =
    "Usage: dorvanel-report [--summary | --csv | --explain] [--memory-limit BYTES]\n"
    "                       [--explode-depth K] POOL\n"
    "       dorvanel-report [--summary | --csv] [--memory-limit BYTES] DICE FACES\n"
    "       dorvanel-report --stats [--memory-limit BYTES] [--explode-depth K] POOL\n"
    "       dorvanel-report --versus [--memory-limit BYTES] [--explode-depth K] A B\n"
    "\n"
    "Counts, exactly, in how many of the ordered outcomes of rolling the dice of POOL, or\n"
    "DICE dice with faces 1..FACES, each total comes up.\n"
    "\n"
    "Prints five summary lines (possible rolls, range, mean total, the count of the mean\n"
    "total and its probability), then one line per total with its exact count.\n"
    "\n"
    "  POOL       dice notation, in any case: terms joined by + and -, each NdD (N dice\n"
    "             of D faces; N left out means 1; d% is d100; dF is a die of faces -1, 0,\n"
    "             +1; d{0,0,1,1,2} or d{-1..1} a die of the faces listed) or a whole\n"
    "             number, as in \"3d6 + 2d8 + 5\"; N from 1 to 10000, D from 1 to 1000, at\n"
    "             most 10000 dice in all. After NdD, in any order, each at most once:\n"
    "             rC rerolls while a roll meets C, roC rerolls once; !C explodes (rolls\n"
    "             again and adds) while a roll meets C, by default the highest face, !!C\n"
    "             the same with the die's sum counted as one, !pC less 1 each extra roll;\n"
    "             minT and maxT clamp each die's value; khK (or kK) keeps the K highest\n"
    "             dice, klK the K lowest, dhK and dlK (or dK) drop them; or C counts the\n"
    "             dice that meet it, then fC takes away 1 for each that meets C. C is T,\n"
    "             =T, >T, >=T, <T or <=T (> and < strict): \"4d6kh3\", \"2d6ro<3\",\n"
    "             \"10d10!10>=8f1\", \"3d{0,0,1,1,2}\".\n"
    "             Braces pool dice of several kinds, \"{d12 + d10 + d8}kh2\", or hold\n"
    "             sub-totals, \"{1d20 + 5, 1d12 + 8}kh1\", then keep or count as above\n"
    "  DICE       number of dice, 1 to 10000; with FACES the same as DICEdFACES\n"
    "  FACES      number of faces, 1 to 1000\n"
    "  --stats    print instead the mean (with its exact fraction), the standard\n"
    "             deviation, the median, the most likely totals and the 5th, 25th, 75th\n"
    "             and 95th percentiles: the median and each percentile the smallest\n"
    "             total with at least that share of the outcomes at or below it\n"
    "  --versus A B\n"
    "             roll the pools A and B against each other and print, over every roll\n"
    "             of both, in how many A's total is higher, the same and lower:\n"
    "             \"A > B: COUNT of TOTAL (P %)\", then A = B and A < B; P is cut to\n"
    "             three decimals\n"
    "  --summary  print only the five summary lines (and, for exploding dice, where\n"
    "             explosions stop)\n"
    "  --explain  print how POOL is read, in words, and count nothing\n"
    "  --explode-depth K\n"
    "             each exploding die rolls at most K extra times, 0 to 100 (10 by\n"
    "             default): the counts are exact over all those rolls\n"
    "  --csv      print instead one row per total: total,count,probability,at_most,at_least,\n"
    "             the shares of all outcomes with 17 significant digits\n"
    "  --memory-limit BYTES\n"
    "             the most the table of counts may hold (by default the smaller of 2 GB\n"
    "             and a quarter of the machine's memory); a larger table keeps only\n"
    "             checkpoints and recomputes the rest as it is listed\n"
    "  --         end of options, so that a pool may begin with a minus sign\n"
    "  --help     show this help\n"
    "  --version  show the version\n";

constexpr int kUsageError = 2;

struct Arguments {
    dorvanel::DicePool pool;
    bool summaryOnly = false;
    bool csv = false;
    bool explain = false;
    bool stats = false;
    // --versus: the second pool, rolled against `pool`.
    std::optional<dorvanel::DicePool> versus;
    bool help = false;
    bool version = false;
    std::optional<std::uint64_t> memoryLimit;
};

struct UsageError {
    std::string message;
};

bool AllDigits(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// Leading zeros never matter; nothing when the value does not fit 64 bits.
std::optional<std::uint64_t> DigitsValue(const std::string& digits) {
    constexpr std::uint64_t kLargest = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t value = 0;
    for (const char c : digits) {
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (kLargest - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

std::int32_t ParseInRange(const std::string& text, const char* what, std::int32_t low,
                          std::int32_t high) {
    const bool negative = !text.empty() && text[0] == '-';
    const std::string digits = text.substr(!text.empty() && (text[0] == '-' || text[0] == '+'));
    if (!AllDigits(digits))
        throw UsageError{std::string(what) + " must be a whole number, not '" +
                         dorvanel::QuotedInput(text) + "'"};
    // Beyond 64 bits is beyond every range.
    const std::uint64_t magnitude =
        DigitsValue(digits).value_or(std::numeric_limits<std::uint64_t>::max());
    const bool tooSmall =
        negative ? magnitude != 0 || low > 0 : magnitude < static_cast<std::uint64_t>(low);
    const bool tooLarge = !negative && magnitude > static_cast<std::uint64_t>(high);
    if (tooSmall || tooLarge)
        throw UsageError{std::string(what) + " must be between " + std::to_string(low) + " and " +
                         std::to_string(high) + ": " + dorvanel::QuotedInput(text) + " is too " +
                         (tooLarge ? "large" : "small")};
    return static_cast<std::int32_t>(magnitude);
}

std::uint64_t ParseBytes(const std::string& text) {
    const std::optional<std::uint64_t> value =
        AllDigits(text) ? DigitsValue(text) : std::optional<std::uint64_t>(0);
    if (!value)
        throw UsageError{"--memory-limit " + dorvanel::QuotedInput(text) +
                         " is too large: at most " +
                         std::to_string(std::numeric_limits<std::uint64_t>::max()) + " bytes"};
    if (*value == 0)
        throw UsageError{"--memory-limit must be a positive whole number of bytes, not '" +
                         dorvanel::QuotedInput(text) + "'"};
    return *value;
}

Arguments Parse(const std::vector<std::string>& args) {
    Arguments parsed;
    std::int32_t explodeDepth = dorvanel::kDefaultExplodeDepth;
    std::vector<std::string> operands;
    bool options = true;
    bool versus = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // A leading minus before a digit starts a number or a pool, not an option.
        const bool optionLike =
            options && arg.size() > 1 && arg[0] == '-' && (arg[1] < '0' || arg[1] > '9');
        if (!optionLike)
            operands.push_back(arg);
        else if (arg == "--")
            options = false;
        else if (arg == "--help" || arg == "-h")
            parsed.help = true;
        else if (arg == "--version")
            parsed.version = true;
        else if (arg == "--summary")
            parsed.summaryOnly = true;
        else if (arg == "--csv")
            parsed.csv = true;
        else if (arg == "--explain")
            parsed.explain = true;
        else if (arg == "--stats")
            parsed.stats = true;
        else if (arg == "--versus")
            versus = true;
        else if (arg == "--memory-limit")
            parsed.memoryLimit = ParseBytes(i + 1 < args.size() ? args[++i] : std::string());
        else if (arg == "--explode-depth")
            explodeDepth = ParseInRange(i + 1 < args.size() ? args[++i] : std::string(),
                                        "--explode-depth", 0, dorvanel::kMaxExplodeDepth);
        else
            throw UsageError{"unknown option '" + dorvanel::QuotedInput(arg) + "'"};
    }
    if (parsed.help || parsed.version)
        return parsed;
    if (parsed.csv + parsed.summaryOnly + parsed.explain + parsed.stats + versus > 1)
        throw UsageError{"--csv, --summary, --explain, --stats and --versus do not go together"};
    if (versus) {
        if (operands.size() != 2)
            throw UsageError{"--versus expects two pools, A and B, but got " +
                             std::to_string(operands.size()) + " arguments"};
        // A constant is a fair side, as a target to beat.
        auto side = [explodeDepth](const std::string& text, const char* name) {
            try {
                return dorvanel::ParsePool(text, {}, explodeDepth);
            } catch (const dorvanel::NotationError& error) {
                throw UsageError{std::string("pool ") + name + ": " + error.what()};
            }
        };
        parsed.pool = side(operands[0], "A");
        parsed.versus = side(operands[1], "B");
        if (parsed.pool.DiceCount() + parsed.versus->DiceCount() == 0)
            throw UsageError{"--versus needs dice in A or B: '" +
                             dorvanel::QuotedInput(operands[0]) + "' and '" +
                             dorvanel::QuotedInput(operands[1]) + "' have none"};
        return parsed;
    }
    if (operands.size() == 2) {
        const std::int32_t dice = ParseInRange(operands[0], "DICE", 1, dorvanel::kMaxDiceInTerm);
        const std::int32_t faces = ParseInRange(operands[1], "FACES", 1, dorvanel::kMaxFaces);
        parsed.pool = dorvanel::DicePool::Plain(dice, faces);
    } else if (operands.size() == 1) {
        try {
            parsed.pool = dorvanel::ParsePool(operands[0], {}, explodeDepth);
        } catch (const dorvanel::NotationError& error) {
            throw UsageError{error.what()};
        }
        if (parsed.pool.DiceCount() == 0)
            throw UsageError{"expected a pool of dice, or two numbers DICE and FACES: '" +
                             dorvanel::QuotedInput(operands[0]) + "' has no dice"};
    } else {
        throw UsageError{"expected a pool, or two numbers DICE and FACES, but got " +
                         std::to_string(operands.size()) + " arguments"};
    }
    return parsed;
}

// Standard output as a sink for the engine's streamed text.
void WriteOut(std::string_view text) {
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size())
        throw std::runtime_error(std::string("cannot write the output: ") + std::strerror(errno));
}

// "A > B: COUNT of TOTAL (P %)" and the same for A = B and A < B, the pools in their
// canonical notation.
void PrintVersus(const dorvanel::DicePool& a, const dorvanel::DicePool& b,
                 const dorvanel::RunControl& control) {
    const dorvanel::VersusCounts counts = dorvanel::ComputeVersus(a, b, control);
    const dorvanel::Decimal all = counts.Outcomes();
    const std::string total = all.ToString();
    const std::string nameA = a.Notation();
    const std::string nameB = b.Notation();
    for (const auto& [relation, count] :
         {std::pair{" > ", &counts.higher}, std::pair{" = ", &counts.ties},
          std::pair{" < ", &counts.lower}})
        std::printf("%s%s%s: %s of %s (%s %%)\n", nameA.c_str(), relation, nameB.c_str(),
                    count->ToString().c_str(), total.c_str(),
                    dorvanel::PercentText(*count, all).c_str());
}

} // namespace

int main(int argc, char** argv) {
    Arguments parsed;
    try {
        parsed = Parse(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const UsageError& error) {
        std::fprintf(stderr, "dorvanel-report: %s (see --help)\n", error.message.c_str());
        return kUsageError;
    }
    if (parsed.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (parsed.version) {
        std::puts("dorvanel-report " DORVANEL_VERSION);
        return 0;
    }

    if (parsed.explain) {
        std::printf("%s\n", dorvanel::Explanation(parsed.pool).c_str());
        if (const std::string note = dorvanel::DepthNote(parsed.pool); !note.empty())
            std::printf("%s\n", note.c_str());
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    try {
        const dorvanel::DicePool& pool = parsed.pool;
        const std::string possibleRolls = dorvanel::TotalPossibleRollsText(pool);
        dorvanel::RunControl control;
        // Five lines need no whole table: a large one is kept as a few checkpoints, never
        // touched in full.
        if (parsed.summaryOnly)
            control.purpose = dorvanel::TablePurpose::Summary;
        if (parsed.memoryLimit) {
            const dorvanel::ClampedBudget budget =
                dorvanel::ClampMemoryBudget(*parsed.memoryLimit, dorvanel::UsableMemory());
            if (budget.clamped)
                std::fprintf(stderr,
                             "dorvanel-report: --memory-limit is more than can be used; using %s\n",
                             dorvanel::DescribeBytes(budget.bytes).c_str());
            control.memoryBudget = budget.bytes;
        }
        if (parsed.versus) {
            PrintVersus(pool, *parsed.versus, control);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
        const dorvanel::DistributionTable table = dorvanel::ComputeDistribution(pool, control);
        if (parsed.stats) {
            for (const std::string& line : dorvanel::StatisticsLines(table))
                std::printf("%s\n", line.c_str());
        } else if (parsed.csv) {
            dorvanel::WriteCsv(table, WriteOut);
        } else {
            std::printf("%s\n%s\n%s\n%s\n%s\n", possibleRolls.c_str(),
                        dorvanel::RangeText(pool.Bounds()).c_str(),
                        dorvanel::ValueText(pool.Bounds()).c_str(),
                        dorvanel::ValuePossibilitiesText(table).c_str(),
                        dorvanel::ProbabilityText(table).c_str());
            if (const std::string note = dorvanel::DepthNote(pool); !note.empty())
                std::printf("%s\n", note.c_str());
            if (!parsed.summaryOnly)
                dorvanel::WriteListingText(table, WriteOut);
        }
        if (std::fflush(stdout) != 0)
            throw std::runtime_error(std::string("cannot write the output: ") +
                                     std::strerror(errno));
    } catch (const dorvanel::InsufficientMemoryError& error) {
        std::fprintf(stderr, "dorvanel-report: %s\n", error.what());
        return kUsageError;
    } catch (const dorvanel::PoolLimitError& error) {
        std::fprintf(stderr, "dorvanel-report: %s\n", error.what());
        return kUsageError;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "dorvanel-report: %s\n", error.what());
        return 1;
    }
    return 0;
}
