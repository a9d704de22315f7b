// SPDX-License-Identifier: MIT
#include "dice_pool.h"

#include "errors.h"
#include "kept_dice.h"

#include <algorithm>
#include <limits>
#include <map>

namespace dorvanel {
namespace {

__extension__ typedef __int128 Int128;

std::int32_t CheckedInt32(Int128 value) {
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        throw IntegerOverflowError();
    return static_cast<std::int32_t>(value);
}

// The faces a term's dice are counted with, 1 … faces.
std::int64_t CountedFaces(const DiceTerm& term) {
    return term.fudge ? 3 : term.faces;
}

// What one die of the term adds to the face it is counted with: a Fudge die is a d3 less 2.
std::int64_t FaceShift(const DiceTerm& term) {
    return term.fudge ? -2 : 0;
}

// The same for a die that may be subtracted: a subtracted die of F faces gives −x, which is
// (F + 1 − x) − (F + 1), and F + 1 − x is as likely as x.
std::int64_t ShiftPerDie(const DiceTerm& term) {
    const std::int64_t shift = FaceShift(term);
    return term.subtracted ? -(CountedFaces(term) + 1) - shift : shift;
}

bool IsKeep(Modifier modifier) {
    return modifier == Modifier::KeepHighest || modifier == Modifier::KeepLowest ||
           modifier == Modifier::DropHighest || modifier == Modifier::DropLowest;
}

bool IsSuccess(Modifier modifier) {
    return modifier != Modifier::None && !IsKeep(modifier);
}

bool Meets(std::int64_t face, Modifier modifier, std::int64_t threshold) {
    switch (modifier) {
    case Modifier::AtLeast:
        return face >= threshold;
    case Modifier::Above:
        return face > threshold;
    case Modifier::AtMost:
        return face <= threshold;
    case Modifier::Below:
        return face < threshold;
    default:
        return face == threshold;
    }
}

// The dice a term sums, and whether they are its lowest.
std::pair<std::int32_t, bool> SummedDice(const DiceTerm& term) {
    switch (term.modifier) {
    case Modifier::KeepHighest:
        return {term.parameter, false};
    case Modifier::KeepLowest:
        return {term.parameter, true};
    case Modifier::DropHighest:
        return {term.count - term.parameter, true};
    case Modifier::DropLowest:
        return {term.count - term.parameter, false};
    default:
        return {term.count, false};
    }
}

const char* ModifierText(Modifier modifier) {
    switch (modifier) {
    case Modifier::KeepHighest:
        return "kh";
    case Modifier::KeepLowest:
        return "kl";
    case Modifier::DropHighest:
        return "dh";
    case Modifier::DropLowest:
        return "dl";
    case Modifier::AtLeast:
        return ">=";
    case Modifier::Above:
        return ">";
    case Modifier::AtMost:
        return "<=";
    case Modifier::Below:
        return "<";
    case Modifier::Equal:
        return "=";
    default:
        return "";
    }
}

// The faces of one die, smallest first: 1 … faces, or −1, 0, 1 for a Fudge die.
std::vector<std::int32_t> FaceValues(const DiceTerm& term) {
    std::vector<std::int32_t> values;
    for (std::int64_t face = 1; face <= CountedFaces(term); ++face)
        values.push_back(static_cast<std::int32_t>(face + FaceShift(term)));
    return values;
}

} // namespace

DicePool::DicePool(const std::vector<DiceTerm>& terms, std::int64_t constant)
    : constant_(constant) {
    for (const DiceTerm& term : terms) {
        if (term.count == 0)
            continue;
        // Dice of a kind add up, and so do dice counted alike; kept dice stand on their own:
        // the highest K of 2N dice are not the highest K of N twice.
        auto same = std::find_if(terms_.begin(), terms_.end(), [&term](const DiceTerm& known) {
            return known.faces == term.faces && known.fudge == term.fudge &&
                   known.subtracted == term.subtracted && known.modifier == term.modifier &&
                   (term.modifier == Modifier::None ||
                    (IsSuccess(term.modifier) && known.parameter == term.parameter));
        });
        if (same == terms_.end())
            terms_.push_back(term);
        else
            same->count = CheckedInt32(Int128{same->count} + term.count);
    }
    Derive();
}

void DicePool::Derive() {
    Int128 low = constant_;
    Int128 high = constant_;
    std::map<std::int64_t, std::int64_t> sizes;
    for (const DiceTerm& term : terms_) {
        const std::int64_t faces = CountedFaces(term);
        if (IsSuccess(term.modifier)) {
            std::int32_t successes = 0;
            for (const std::int32_t face : FaceValues(term))
                successes += Meets(face, term.modifier, term.parameter);
            std::int32_t failures = static_cast<std::int32_t>(faces) - successes;
            // Subtracted, k successes give −k, which is the N − k failures less N.
            if (term.subtracted) {
                std::swap(successes, failures);
                low -= term.count;
                high -= term.count;
            }
            successes_.push_back({term.count, successes, failures});
            low += failures == 0 ? term.count : 0;
            high += successes == 0 ? 0 : term.count;
            continue;
        }
        const auto [summed, lowest] = SummedDice(term);
        const std::int64_t shift = ShiftPerDie(term);
        low += Int128{summed} * (1 + shift);
        high += Int128{summed} * (faces + shift);
        // Dice of one face only move the totals; subtracted, the highest become the lowest.
        if (faces >= 2 && summed < term.count)
            kept_.push_back(
                {term.count, static_cast<std::int32_t>(faces), summed, lowest != term.subtracted});
        else if (faces >= 2)
            sizes[faces] += term.count;
    }
    minValue_ = CheckedInt32(low);
    maxValue_ = CheckedInt32(high);
    for (const auto& [faces, count] : sizes)
        groups_.push_back({CheckedInt32(count), static_cast<std::int32_t>(faces)});
}

AnalysisBounds BeginAnalysis(std::int32_t dice, std::int32_t faces) {
    AnalysisBounds bounds;
    bounds.MaxValue = CheckedInt32(Int128{dice} * faces);
    bounds.MinValue = dice;
    bounds.MeanValue = CheckedInt32(Int128{dice} + bounds.MaxValue) / 2.0;
    return bounds;
}

DicePool DicePool::Plain(std::int32_t dice, std::int32_t faces) {
    const AnalysisBounds bounds = BeginAnalysis(dice, faces);
    if (dice < 1 || bounds.MaxValue < 1)
        throw SilentAbort();
    return DicePool({{dice, faces}}, 0);
}

DicePool DicePool::Plus(const DicePool& other) const {
    std::vector<DiceTerm> terms = terms_;
    terms.insert(terms.end(), other.terms_.begin(), other.terms_.end());
    return DicePool(terms, constant_ + other.constant_);
}

DicePool DicePool::Negated() const {
    std::vector<DiceTerm> terms = terms_;
    for (DiceTerm& term : terms)
        term.subtracted = !term.subtracted;
    return DicePool(terms, -constant_);
}

std::optional<DiceGroup> DicePool::SingleSize() const {
    DiceGroup single{0, 1};
    for (const DiceTerm& term : terms_) {
        const auto faces = static_cast<std::int32_t>(CountedFaces(term));
        if (single.count != 0 && faces != single.faces)
            return std::nullopt;
        single = {single.count + term.count, faces};
    }
    return single;
}

std::vector<DiceGroup> DicePool::OutcomeFactors() const {
    std::map<std::int64_t, std::int64_t> sizes;
    for (const DiceTerm& term : terms_)
        if (CountedFaces(term) >= 2)
            sizes[CountedFaces(term)] += term.count;
    std::vector<DiceGroup> factors;
    for (const auto& [faces, count] : sizes)
        factors.push_back({CheckedInt32(count), static_cast<std::int32_t>(faces)});
    return factors;
}

std::int64_t DicePool::DiceCount() const {
    std::int64_t dice = 0;
    for (const DiceTerm& term : terms_)
        dice += term.count;
    return dice;
}

std::int64_t DicePool::CountedDiceCount() const {
    std::int64_t dice = 0;
    for (const DiceTerm& term : terms_)
        if (IsSuccess(term.modifier))
            dice += term.count;
    return dice;
}

bool DicePool::Symmetric() const {
    return kept_.empty() &&
           std::all_of(successes_.begin(), successes_.end(), [](const SuccessGroup& group) {
               return group.successes == group.failures || group.successes == 0 ||
                      group.failures == 0;
           });
}

AnalysisBounds DicePool::Bounds() const {
    return {minValue_, maxValue_, MeanValue()};
}

double DicePool::MeanValue() const {
    if (Symmetric())
        return static_cast<double>(std::int64_t{minValue_} + maxValue_) / 2.0;
    // The smallest total, and what each part adds above its own smallest value on average.
    long double mean = minValue_;
    for (const DiceGroup& group : groups_)
        mean += static_cast<long double>(group.count) * (group.faces - 1) / 2;
    for (const SuccessGroup& group : successes_)
        if (group.successes != 0 && group.failures != 0)
            mean += static_cast<long double>(group.count) * group.successes /
                    (group.successes + group.failures);
    for (const KeptGroup& group : kept_)
        mean += KeptMean(group) - group.kept;
    return static_cast<double>(mean);
}

long double DicePool::Variance() const {
    // By number of faces, so that one kind of dice gives N·(D² − 1) / 12 as it always has.
    std::map<std::int64_t, std::int64_t> sizes;
    for (const DiceTerm& term : terms_)
        if (term.modifier == Modifier::None)
            sizes[CountedFaces(term)] += term.count;
    long double variance = 0;
    for (const auto& [faces, count] : sizes) {
        const long double n = count;
        const long double d = faces;
        variance += n * (d * d - 1) / 12;
    }
    for (const SuccessGroup& group : successes_) {
        const long double faces = group.successes + group.failures;
        variance += static_cast<long double>(group.count) * group.successes * group.failures /
                    (faces * faces);
    }
    return variance;
}

std::string DicePool::Notation() const {
    std::string text;
    for (const DiceTerm& term : terms_) {
        if (!text.empty())
            text += term.subtracted ? " - " : " + ";
        else if (term.subtracted)
            text += "-";
        text += std::to_string(term.count) + "d" +
                (term.fudge ? std::string("F") : std::to_string(term.faces));
        if (term.modifier != Modifier::None)
            text += ModifierText(term.modifier) + std::to_string(term.parameter);
    }
    if (text.empty())
        return std::to_string(constant_);
    if (constant_ != 0)
        text += (constant_ < 0 ? " - " : " + ") +
                std::to_string(constant_ < 0 ? -constant_ : constant_);
    return text;
}

std::string DicePool::Description() const {
    if (terms_.size() == 1 && constant_ == 0 && !terms_[0].fudge && !terms_[0].subtracted &&
        terms_[0].modifier == Modifier::None)
        return std::to_string(terms_[0].count) + " dice of " + std::to_string(terms_[0].faces) +
               " faces";
    return Notation();
}

} // namespace dorvanel
