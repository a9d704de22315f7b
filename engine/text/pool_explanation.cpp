// SPDX-License-Identifier: MIT
#include "pool_explanation.h"

#include "brace_group.h"
#include "conversions.h"
#include "decimal.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace dorvanel {
namespace {

std::string SidesWord(std::int64_t sides) {
    static constexpr const char* kWords[] = {
        "",         "one",     "two",     "three",     "four",     "five",     "six",
        "seven",    "eight",   "nine",    "ten",       "eleven",   "twelve",   "thirteen",
        "fourteen", "fifteen", "sixteen", "seventeen", "eighteen", "nineteen", "twenty"};
    return sides <= 20 ? kWords[sides] : std::to_string(sides);
}

std::string DiceWords(const DiceTerm& term) {
    const std::string count = std::to_string(term.count);
    const std::string dice = term.count == 1 ? " die" : " dice";
    const Die& die = term.die;
    if (die.Uniform() && die.Min() == 1)
        return count + " " + SidesWord(die.Max()) + "-sided" + dice;
    if (die.Uniform() && die.Min() == -1 && die.Max() == 1)
        return count + " Fudge" + dice;
    std::string faces;
    for (const Die::Face& face : die.Faces())
        for (std::int64_t i = 0; i < face.weight; ++i)
            faces += (faces.empty() ? "" : ", ") + std::to_string(face.value);
    return count + dice + " of faces " + faces;
}

// "a 10", "each roll of 8 or more": a face meeting the condition, with the noun it needs.
std::string Meeting(const char* article, const char* noun, const Condition& condition) {
    if (condition.compare == Condition::Compare::Equal)
        return std::string(article) + " " + std::to_string(condition.value);
    return std::string(article) + " " + noun + " " + condition.Words();
}

// The dice of a term as rolled, before any are selected or counted.
std::string RolledWords(const DiceTerm& term) {
    std::string text = DiceWords(term);
    if (term.reroll)
        text += term.reroll->once
                    ? ", " + Meeting("a", "roll", term.reroll->when) +
                          " rerolled once, the second roll standing"
                    : ", " + Meeting("a", "roll", term.reroll->when) + " rerolled until it is not";
    if (term.explosion) {
        text += ", " + Meeting("a", "roll", ExplosionCondition(term)) + " rolls again";
        if (term.explosion->kind == Explosion::Kind::Penetrating)
            text += ", each extra roll less 1";
    }
    if (term.atLeast)
        text += ", each die's value at least " + std::to_string(*term.atLeast);
    if (term.atMost)
        text += ", each die's value at most " + std::to_string(*term.atMost);
    return text;
}

std::string TermWords(const DiceTerm& term) {
    std::string text = RolledWords(term);
    const std::string k = std::to_string(term.parameter);
    switch (term.modifier) {
    case Modifier::None:
        return text + (term.subtracted ? ", subtracted" : ", added");
    case Modifier::KeepHighest:
        return text + ", the " + k + " highest " + (term.subtracted ? "subtracted" : "added");
    case Modifier::KeepLowest:
        return text + ", the " + k + " lowest " + (term.subtracted ? "subtracted" : "added");
    case Modifier::DropHighest:
        return text + ", all but the " + k + " highest " +
               (term.subtracted ? "subtracted" : "added");
    case Modifier::DropLowest:
        return text + ", all but the " + k + " lowest " +
               (term.subtracted ? "subtracted" : "added");
    default:
        break;
    }
    const bool eachRoll = term.explosion && term.explosion->kind == Explosion::Kind::EachRoll;
    const char* noun = eachRoll ? "roll" : "die";
    const Condition success = SuccessCondition(term);
    const char* one = term.subtracted ? " counts \u22121" : " counts 1";
    const char* minusOne = term.subtracted ? " counts 1" : " counts \u22121";
    text += "; " + Meeting("each", noun, success) + one;
    if (term.failure)
        text += ", " + Meeting("each", noun, *term.failure) + minusOne;
    return text;
}

// "pooled 4 six-sided dice and 3 eight-sided dice; the 3 highest added".
std::string GroupWords(const BraceGroup& group) {
    std::vector<std::string> members;
    if (group.pooled)
        for (const DiceTerm& term : group.members.front().Terms())
            members.push_back(RolledWords(term));
    else
        for (const DicePool& member : group.members)
            members.push_back(member.Notation());
    std::string text = group.pooled ? "pooled " : "the sub-totals ";
    for (std::size_t i = 0; i < members.size(); ++i)
        text += (i == 0 ? "" : i + 1 == members.size() ? " and " : ", ") + members[i];
    const std::string k = std::to_string(group.parameter);
    const char* sign = group.subtracted ? "subtracted" : "added";
    switch (group.modifier) {
    case Modifier::KeepHighest:
        return text + "; the " + (group.parameter == 1 ? "" : k + " ") + "highest " + sign;
    case Modifier::KeepLowest:
        return text + "; the " + (group.parameter == 1 ? "" : k + " ") + "lowest " + sign;
    case Modifier::DropHighest:
        return text + "; all but the " + k + " highest " + sign;
    case Modifier::DropLowest:
        return text + "; all but the " + k + " lowest " + sign;
    default:
        return text + "; " +
               Meeting("each", group.pooled ? "die" : "sub-total",
                       SuccessCondition(group.modifier, group.parameter)) +
               (group.subtracted ? " counts \u22121" : " counts 1");
    }
}

// 1 in (T/m)^K: whole when m divides T, else to three significant digits.
std::string OneIn(std::int64_t total, std::int64_t meeting, std::int32_t depth) {
    if (total % meeting == 0)
        return Decimal::Power(static_cast<std::uint32_t>(total / meeting),
                              static_cast<std::uint32_t>(depth))
            .ToString();
    const long double odds =
        std::pow(static_cast<long double>(total) / static_cast<long double>(meeting), depth);
    char text[64];
    std::snprintf(text, sizeof text, "%.3Lg", odds);
    return text;
}

} // namespace

std::string Explanation(const DicePool& pool) {
    std::string text;
    for (const DiceTerm& term : pool.Terms())
        text += (text.empty() ? "" : "; ") + TermWords(term);
    for (const auto& group : pool.Braces())
        text += (text.empty() ? "" : "; ") + GroupWords(*group);
    const std::int64_t constant = pool.Constant();
    if (constant != 0 || text.empty())
        text += (text.empty() ? "" : "; ") + std::to_string(constant < 0 ? -constant : constant) +
                (constant < 0 ? " subtracted" : " added");
    return pool.Notation() + ": " + text;
}

std::string DepthNote(const DicePool& pool) {
    std::vector<std::string> notes;
    std::size_t exploding = 0;
    // Each kind of exploding dice once, however often a group's sub-totals repeat it.
    auto alike = [](DiceTerm a, DiceTerm b) {
        a.count = b.count;
        a.subtracted = b.subtracted;
        return a == b;
    };
    std::vector<DiceTerm> terms;
    for (const DiceTerm& term : pool.RolledTerms())
        if (std::none_of(terms.begin(), terms.end(),
                         [&](const DiceTerm& known) { return alike(known, term); }))
            terms.push_back(term);
    for (const DiceTerm& term : terms)
        exploding += term.explosion.has_value();
    for (const DiceTerm& term : terms) {
        if (!term.explosion)
            continue;
        const Die rolled = RolledDie(term);
        const Condition on = ExplosionCondition(term);
        std::int64_t total = 0;
        std::int64_t meeting = 0;
        for (const Die::Face& face : rolled.Faces()) {
            total += face.weight;
            meeting += on.Meets(face.value) ? face.weight : 0;
        }
        const std::int32_t depth = term.explosion->depth;
        std::string note = exploding > 1 ? TermNotation(term) + ": " : "";
        if (meeting == 0)
            note += "no roll explodes";
        else if (depth == 0)
            note += "explosions are off (0 extra rolls)";
        else
            note += "explosions stop after " + std::to_string(depth) + " extra roll" +
                    (depth == 1 ? "" : "s") + "; 1 die in " + OneIn(total, meeting, depth) +
                    " gets that far";
        notes.push_back(note);
    }
    std::string text;
    for (const std::string& note : notes)
        text += (text.empty() ? "" : "; ") + note;
    return text;
}

} // namespace dorvanel
