// SPDX-License-Identifier: MIT
#include "dice_pool.h"

#include "errors.h"

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

// What one die of the term adds to the face it is counted with. A Fudge die is a d3 less 2;
// a subtracted die of F faces gives −x, which is (F + 1 − x) − (F + 1), and F + 1 − x is as
// likely as x.
std::int64_t ShiftPerDie(const DiceTerm& term) {
    const std::int64_t shift = term.fudge ? -2 : 0;
    return term.subtracted ? -(CountedFaces(term) + 1) - shift : shift;
}

} // namespace

DicePool::DicePool(const std::vector<DiceTerm>& terms, std::int64_t constant)
    : constant_(constant) {
    for (const DiceTerm& term : terms) {
        if (term.count == 0)
            continue;
        auto same = std::find_if(terms_.begin(), terms_.end(), [&term](const DiceTerm& kept) {
            return kept.faces == term.faces && kept.fudge == term.fudge &&
                   kept.subtracted == term.subtracted;
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
        const std::int64_t shift = ShiftPerDie(term);
        low += Int128{term.count} * (1 + shift);
        high += Int128{term.count} * (faces + shift);
        if (faces >= 2)
            sizes[faces] += term.count;
    }
    minValue_ = CheckedInt32(low);
    maxValue_ = CheckedInt32(high);
    groups_.clear();
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

std::int64_t DicePool::DiceCount() const {
    std::int64_t dice = 0;
    for (const DiceTerm& term : terms_)
        dice += term.count;
    return dice;
}

AnalysisBounds DicePool::Bounds() const {
    return {minValue_, maxValue_, MeanValue()};
}

double DicePool::MeanValue() const {
    return static_cast<double>(std::int64_t{minValue_} + maxValue_) / 2.0;
}

long double DicePool::Variance() const {
    // By number of faces, so that one kind of dice gives N·(D² − 1) / 12 as it always has.
    std::map<std::int64_t, std::int64_t> sizes;
    for (const DiceTerm& term : terms_)
        sizes[CountedFaces(term)] += term.count;
    long double variance = 0;
    for (const auto& [faces, count] : sizes) {
        const long double n = count;
        const long double d = faces;
        variance += n * (d * d - 1) / 12;
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
    }
    if (text.empty())
        return std::to_string(constant_);
    if (constant_ != 0)
        text += (constant_ < 0 ? " - " : " + ") +
                std::to_string(constant_ < 0 ? -constant_ : constant_);
    return text;
}

std::string DicePool::Description() const {
    if (terms_.size() == 1 && constant_ == 0 && !terms_[0].fudge && !terms_[0].subtracted)
        return std::to_string(terms_[0].count) + " dice of " + std::to_string(terms_[0].faces) +
               " faces";
    return Notation();
}

} // namespace dorvanel
