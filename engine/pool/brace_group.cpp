// SPDX-License-Identifier: MIT
#include "brace_group.h"

#include "errors.h"
#include "group_distribution.h"
#include "residues.h"
#include "wide_number.h"

#include <algorithm>
#include <cmath>

namespace dorvanel {
namespace {

// How many of the members are kept, and whether the lowest.
std::pair<std::int32_t, bool> KeptOf(const BraceGroup& group) {
    const std::int32_t members = MembersOf(group);
    switch (group.modifier) {
    case Modifier::KeepLowest:
        return {group.parameter, true};
    case Modifier::DropHighest:
        return {members - group.parameter, true};
    case Modifier::DropLowest:
        return {members - group.parameter, false};
    default:
        return {group.parameter, false};
    }
}

bool CountsMembers(const BraceGroup& group) {
    return !Keeps(group.modifier);
}

Condition ConditionOf(const BraceGroup& group) {
    return SuccessCondition(group.modifier, group.parameter);
}

std::vector<Decimal> Convolved(const std::vector<Decimal>& a, const std::vector<Decimal>& b,
                               const std::atomic<bool>* cancel) {
    std::vector<Decimal> product(a.size() + b.size() - 1);
    for (std::size_t i = 0; i < a.size(); ++i) {
        ThrowIfCancelled(cancel);
        for (std::size_t j = 0; j < b.size(); ++j)
            product[i + j] += a[i] * b[j];
    }
    return product;
}

// A sub-total's counts from its smallest total on: its parts, each counted on its own, then
// convolved.
std::vector<Decimal> MemberCounts(const DicePool& member, const std::atomic<bool>* cancel) {
    std::vector<Decimal> counts{Decimal(1)};
    auto add = [&](const std::vector<Decimal>& part) { counts = Convolved(counts, part, cancel); };
    for (const DiceGroup& group : member.Groups())
        add(GroupDistribution(
            {group.count, Die::Range(1, group.faces), group.count, false, nullptr}, cancel));
    for (const RatioGroup& group : member.Ratios())
        add(GroupDistribution({group.count, group.die, group.count, false, nullptr}, cancel));
    for (const KeptGroup& group : member.Kept())
        add(GroupDistribution(group, cancel));
    for (const SuccessGroup& group : member.Successes()) {
        // C(N, j)·s^j·f^(N − j) ways for j successes.
        std::vector<Decimal> part;
        for (std::int32_t j = 0; j <= group.count; ++j) {
            Decimal ways(1);
            for (std::int32_t i = 0; i < j; ++i)
                ways.MultiplyBy(static_cast<std::uint32_t>(group.count - i))
                    .DivideExactlyBy(static_cast<std::uint32_t>(i + 1));
            for (std::int32_t i = 0; i < group.count; ++i)
                ways.MultiplyBy(
                    static_cast<std::uint32_t>(i < j ? group.successes : group.failures));
            part.push_back(ways);
        }
        add(part);
    }
    if (static_cast<std::int64_t>(counts.size()) != member.Spread() + 1)
        throw InternalError("a sub-total's parts do not span its totals");
    return counts;
}

// About what MemberCounts takes: each part on its own, then its products, every count of the
// product as long as the sub-total's outcomes.
double MemberWork(const DicePool& member) {
    double work = 0;
    for (const DiceGroup& group : member.Groups())
        work += GroupWork({group.count, Die::Range(1, group.faces), group.count, false, nullptr});
    for (const RatioGroup& group : member.Ratios())
        work += GroupWork({group.count, group.die, group.count, false, nullptr});
    for (const KeptGroup& group : member.Kept())
        work += GroupWork(group);
    double limbs = 1;
    for (const DiceGroup& factor : member.OutcomeFactors())
        limbs += factor.count * std::log10(static_cast<double>(factor.faces)) / 9;
    const double parts = static_cast<double>(member.Groups().size() + member.Ratios().size() +
                                             member.Kept().size() + member.Successes().size());
    const double spread = static_cast<double>(member.Spread()) + 1;
    return work + parts * spread * spread * limbs;
}

// The members as kinds of alike ones, each value's weight its count of ways.
std::vector<SelectedKind> KindsOf(const BraceGroup& group, const std::atomic<bool>* cancel) {
    std::vector<SelectedKind> kinds;
    if (group.pooled) {
        for (const DiceTerm& term : group.members.front().Terms()) {
            const Die die = ValueOf(term);
            SelectedKind kind{term.count, die.Min(),
                              std::vector<Decimal>(static_cast<std::size_t>(die.Span()) + 1)};
            for (const Die::Face& face : die.Faces())
                kind.weights[static_cast<std::size_t>(face.value - die.Min())] =
                    Decimal(static_cast<std::uint64_t>(face.weight));
            kinds.push_back(std::move(kind));
        }
        return kinds;
    }
    std::vector<const DicePool*> seen;
    for (const DicePool& member : group.members) {
        const auto same = std::find_if(seen.begin(), seen.end(),
                                       [&](const DicePool* known) { return *known == member; });
        if (same != seen.end()) {
            ++kinds[static_cast<std::size_t>(same - seen.begin())].count;
            continue;
        }
        seen.push_back(&member);
        kinds.push_back({1, member.MinValue(), MemberCounts(member, cancel)});
    }
    return kinds;
}

// The lowest of values v are the highest of −v.
std::vector<SelectedKind> Mirrored(std::vector<SelectedKind> kinds) {
    for (SelectedKind& kind : kinds) {
        kind.low = -kind.High();
        std::reverse(kind.weights.begin(), kind.weights.end());
    }
    return kinds;
}

// The least and most of the group before its sign.
std::pair<std::int64_t, std::int64_t> Range(const BraceGroup& group) {
    std::vector<std::pair<std::int64_t, std::int64_t>> spans;
    if (group.pooled) {
        for (const DiceTerm& term : group.members.front().Terms()) {
            const Die die = ValueOf(term);
            spans.insert(spans.end(), static_cast<std::size_t>(term.count), {die.Min(), die.Max()});
        }
    } else {
        for (const DicePool& member : group.members)
            spans.emplace_back(member.MinValue(), member.MaxValue());
    }
    if (CountsMembers(group)) {
        // Members that always meet the condition, and those that may.
        const Condition condition = ConditionOf(group);
        std::int64_t always = 0;
        std::int64_t may = 0;
        for (const auto& [low, high] : spans) {
            const bool lowMeets = condition.Meets(low);
            const bool highMeets = condition.Meets(high);
            const bool between = condition.compare == Condition::Compare::Equal &&
                                 low <= condition.value && condition.value <= high;
            always += lowMeets && highMeets &&
                      (condition.compare != Condition::Compare::Equal || low == high);
            may += lowMeets || highMeets || between;
        }
        return {always, may};
    }
    const auto [kept, lowest] = KeptOf(group);
    std::vector<std::int64_t> lows;
    std::vector<std::int64_t> highs;
    for (const auto& [low, high] : spans) {
        lows.push_back(lowest ? -low : low);
        highs.push_back(lowest ? -high : high);
    }
    std::sort(lows.rbegin(), lows.rend());
    std::sort(highs.rbegin(), highs.rend());
    std::int64_t least = 0;
    std::int64_t most = 0;
    for (std::int32_t i = 0; i < kept; ++i) {
        least += (lowest ? highs : lows)[static_cast<std::size_t>(i)];
        most += (lowest ? lows : highs)[static_cast<std::size_t>(i)];
    }
    // The lowest K of v are minus the highest K of −v.
    if (lowest)
        return {-most, -least};
    return {least, most};
}

// The counts before the group's sign.
std::vector<Decimal> Unsigned(const BraceGroup& group, const std::atomic<bool>* cancel) {
    const std::vector<SelectedKind> kinds = KindsOf(group, cancel);
    if (CountsMembers(group)) {
        // Π (f + s·y)^n over the kinds, y counting the members that meet.
        const Condition condition = ConditionOf(group);
        std::vector<Decimal> counts{Decimal(1)};
        for (const SelectedKind& kind : kinds) {
            Decimal meets;
            Decimal fails;
            for (std::size_t v = 0; v < kind.weights.size(); ++v)
                (condition.Meets(kind.low + static_cast<std::int64_t>(v)) ? meets : fails) +=
                    kind.weights[v];
            for (std::int32_t i = 0; i < kind.count; ++i)
                counts = Convolved(counts, {fails, meets}, cancel);
        }
        const auto [least, most] = Range(group);
        return {counts.begin() + least, counts.begin() + most + 1};
    }
    const auto [kept, lowest] = KeptOf(group);
    if (!lowest)
        return HighestOfKinds(kinds, kept, cancel);
    std::vector<Decimal> counts = HighestOfKinds(Mirrored(kinds), kept, cancel);
    std::reverse(counts.begin(), counts.end());
    return counts;
}

} // namespace

std::int32_t MembersOf(const BraceGroup& group) {
    if (!group.pooled)
        return static_cast<std::int32_t>(group.members.size());
    return static_cast<std::int32_t>(group.members.front().DiceCount());
}

std::int64_t LeastOf(const BraceGroup& group) {
    const auto [least, most] = Range(group);
    return group.subtracted ? -most : least;
}

std::int64_t MostOf(const BraceGroup& group) {
    const auto [least, most] = Range(group);
    return group.subtracted ? -least : most;
}

std::string BraceNotation(const BraceGroup& group) {
    std::string text = "{";
    for (const DicePool& member : group.members)
        text += (text.size() > 1 ? ", " : "") + member.Notation();
    return text + "}" + ModifierNotation(group.modifier, group.parameter);
}

std::vector<Decimal> BraceDistribution(const BraceGroup& group, const std::atomic<bool>* cancel) {
    std::vector<Decimal> counts = Unsigned(group, cancel);
    if (group.subtracted)
        std::reverse(counts.begin(), counts.end());
    return counts;
}

long double BraceMean(const BraceGroup& group) {
    // Sub-totals and counts from their distribution; the members are few and small.
    long double mean = 0;
    if (group.pooled && !CountsMembers(group)) {
        const auto [kept, lowest] = KeptOf(group);
        const std::vector<SelectedKind> kinds = KindsOf(group, nullptr);
        mean = MeanOfHighest(lowest ? Mirrored(kinds) : kinds, kept);
        mean = lowest ? -mean : mean;
    } else {
        const std::vector<Decimal> counts = Unsigned(group, nullptr);
        Decimal total;
        WideNumber sum;
        for (std::size_t v = 0; v < counts.size(); ++v) {
            total += counts[v];
            sum = sum + WideNumber::Of(counts[v]) * WideNumber(static_cast<std::int64_t>(v));
        }
        mean = (sum / WideNumber::Of(total)).Value() + static_cast<long double>(Range(group).first);
    }
    return group.subtracted ? -mean : mean;
}

double BraceWork(const BraceGroup& group) {
    double work = 0;
    std::vector<SelectedKind> kinds;
    if (group.pooled) {
        kinds = KindsOf(group, nullptr);
    } else {
        for (const DicePool& member : group.members) {
            // Alike sub-totals are counted once.
            if (std::find(group.members.data(), &member, member) == &member)
                work += MemberWork(member);
            // Weights of no single run, as many ways in all as the sub-total has outcomes.
            SelectedKind kind{
                1, member.MinValue(),
                std::vector<Decimal>(static_cast<std::size_t>(member.Spread()) + 1, Decimal(1))};
            for (const DiceGroup& factor : member.OutcomeFactors())
                for (std::int32_t i = 0; i < factor.count; ++i)
                    kind.weights.front().MultiplyBy(static_cast<std::uint32_t>(factor.faces));
            kind.weights.front() += Decimal(1);
            kinds.push_back(std::move(kind));
        }
    }
    if (CountsMembers(group))
        return work + static_cast<double>(MembersOf(group)) * MembersOf(group);
    return work + HighestOfKindsWork(kinds, KeptOf(group).first);
}

std::string WhatAnswers(const BraceGroup& group, double mostWork) {
    // Fewer dice never take longer: the largest share that answers, by bisection.
    double low = 0;
    double high = 1;
    for (int i = 0; i < 30; ++i) {
        const double middle = (low + high) / 2;
        (BraceWork(ScaledBraces(group, middle)) <= mostWork ? low : high) = middle;
    }
    const BraceGroup within = ScaledBraces(group, low);
    return BraceWork(within) <= mostWork ? "; " + BraceNotation(within) + " answers" : "";
}

BraceGroup ScaledBraces(const BraceGroup& group, double share) {
    BraceGroup scaled = group;
    for (DicePool& member : scaled.members) {
        std::vector<DiceTerm> terms = member.Terms();
        for (DiceTerm& term : terms) {
            const std::int32_t count =
                std::max<std::int32_t>(1, static_cast<std::int32_t>(term.count * share));
            // A kept term keeps as large a share of fewer dice.
            if (Keeps(term)) {
                const bool keep =
                    term.modifier == Modifier::KeepHighest || term.modifier == Modifier::KeepLowest;
                term.parameter = std::clamp(
                    static_cast<std::int32_t>(std::int64_t{term.parameter} * count / term.count),
                    keep ? 1 : 0, keep ? count : count - 1);
            }
            term.count = count;
        }
        member = DicePool(terms, member.Constant());
    }
    const std::int32_t members = MembersOf(scaled);
    const bool drops =
        group.modifier == Modifier::DropHighest || group.modifier == Modifier::DropLowest;
    if (!CountsMembers(group) && group.pooled)
        scaled.parameter =
            drops ? std::clamp(static_cast<std::int32_t>(group.parameter * share), 0, members - 1)
                  : std::clamp(static_cast<std::int32_t>(group.parameter * share), 1, members);
    return scaled;
}

} // namespace dorvanel
