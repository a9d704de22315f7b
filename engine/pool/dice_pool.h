// SPDX-License-Identifier: MIT
// What is rolled: groups of dice, each added or subtracted, and a constant. Every figure of an
// analysis derives from it: the range and mean of the totals, their spread, the number of
// outcomes, and the groups the counts are computed from.
#pragma once

#include "die.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace dorvanel {

// The figures every analysis starts from.
struct AnalysisBounds {
    std::int32_t MinValue = 0; // smallest total
    std::int32_t MaxValue = 0; // largest total
    double MeanValue = 0.0;    // (MinValue + MaxValue) / 2
};

// What a group of dice gives: the sum of all its dice, of some of them, or how many of them
// meet a condition.
enum class Modifier {
    None,
    KeepHighest, // the sum of the `parameter` highest
    KeepLowest,
    DropHighest, // the sum of all but the `parameter` highest
    DropLowest,
    AtLeast, // how many show at least `parameter`
    Above,
    AtMost,
    Below,
    Equal,
};

// Dice as written: `count` dice, added or subtracted, each rerolled, exploded and clamped as
// given, then summed, some of them kept, or their successes counted.
struct Reroll {
    Condition when;
    bool once = false;

    friend bool operator==(const Reroll&, const Reroll&) = default;
};

struct Explosion {
    enum class Kind { EachRoll, Compound, Penetrating }; // !, !! and !p
    Kind kind = Kind::Compound;
    std::optional<Condition> when; // the highest face when not given
    std::int32_t depth = 10;       // extra rolls at most

    friend bool operator==(const Explosion&, const Explosion&) = default;
};

struct DiceTerm {
    std::int32_t count = 0;
    Die die;
    bool subtracted = false;
    std::optional<Reroll> reroll;
    std::optional<Explosion> explosion;
    std::optional<std::int32_t> atLeast; // minT: each die's value at least T
    std::optional<std::int32_t> atMost;  // maxT
    Modifier modifier = Modifier::None;
    std::int32_t parameter = 0;       // dice kept or dropped, or the threshold
    std::optional<Condition> failure; // fC: each die meeting C counts −1

    friend bool operator==(const DiceTerm&, const DiceTerm&) = default;
};

// What one die of a term gives: its value, or what it counts when successes are.
Die ValueOf(const DiceTerm& term);
// One roll of a term's die, rerolled as written: what each roll of an explosion's chain is.
Die RolledDie(const DiceTerm& term);
// Where a term's exploding dice roll again: as written, or on a roll's highest face.
Condition ExplosionCondition(const DiceTerm& term);
// What a counted die meets to count 1, and the modifier that counts the dice meeting a
// comparison.
Condition SuccessCondition(const DiceTerm& term);
Modifier CountModifier(Condition::Compare compare);
// Whether the term's successes are counted, and whether its dice are selected by value.
bool Counts(const DiceTerm& term);
bool Keeps(const DiceTerm& term);
bool Keeps(Modifier modifier);
// What counts 1 under a counting modifier: `>=` and 8 is "at least 8".
Condition SuccessCondition(Modifier modifier, std::int32_t parameter);
// "kh3", ">=8", or nothing for Modifier::None.
std::string ModifierNotation(Modifier modifier, std::int32_t parameter);
// "3d6", "4d6kh3", "10d10!10>=8f1", "2d6ro<3".
std::string TermNotation(const DiceTerm& term);

// `count` dice of `faces` faces, all added: what the counts are computed from.
struct DiceGroup {
    std::int32_t count = 0;
    std::int32_t faces = 0;

    friend bool operator==(const DiceGroup&, const DiceGroup&) = default;
};

// `count` dice of which each succeeds on `successes` of its rolls and fails on `failures`:
// its outcomes are (failures + successes·x)^count, the power of x counting the successes.
struct SuccessGroup {
    std::int32_t count = 0;
    std::int32_t successes = 0;
    std::int32_t failures = 0;

    friend bool operator==(const SuccessGroup&, const SuccessGroup&) = default;
};

struct BraceGroup;

// Dice counted on their own: the sum of the `kept` highest of `count` dice, or of the lowest;
// all of them when `kept` is `count`. Their values run from kept × the die's lowest. Or a group
// in braces, `braces`, `count` its dice or sub-totals.
struct KeptGroup {
    std::int32_t count = 0;
    Die die;
    std::int32_t kept = 0;
    bool lowest = false;
    std::shared_ptr<const BraceGroup> braces;

    // The smallest value, and how far the largest lies above it.
    std::int64_t Least() const;
    std::int64_t Spread() const;
    // About log2 of the group's outcomes.
    double OutcomeBits() const;
    friend bool operator==(const KeptGroup&, const KeptGroup&) = default;
};

// MinValue = N, MaxValue = N × D, MeanValue = (N + MaxValue) / 2.0 for two whole numbers as
// the spin edits give them, in 32-bit signed arithmetic: a product or sum that does not fit
// throws IntegerOverflowError.
AnalysisBounds BeginAnalysis(std::int32_t dice, std::int32_t faces);

// `count` dice whose outcomes are a ratio of sparse polynomials (exploding dice), its powers
// counted by the recurrence as plain dice are.
struct RatioGroup {
    std::int32_t count = 0;
    Die die;
    DieRatio ratio;

    friend bool operator==(const RatioGroup&, const RatioGroup&) = default;
};

class DicePool {
public:
    // Nothing rolled: one outcome, the total 0.
    DicePool() = default;
    // Terms merged where they are written alike, kept dice apart, in the order first written.
    // Throws IntegerOverflowError when a total leaves the 32-bit signed range.
    DicePool(const std::vector<DiceTerm>& terms, std::int64_t constant);
    // With groups in braces besides, counted after the terms.
    DicePool(const std::vector<DiceTerm>& terms, std::int64_t constant,
             std::vector<std::shared_ptr<const BraceGroup>> braces);

    // N dice of D faces as two whole numbers give them, with the checks the count of one kind
    // of dice has always had: IntegerOverflowError when N × D or N + N × D leaves the 32-bit
    // signed range, then SilentAbort for fewer than one die or no totals.
    static DicePool Plain(std::int32_t dice, std::int32_t faces);

    // This pool with another's terms and constant after its own.
    DicePool Plus(const DicePool& other) const;
    // Every term subtracted that was added and the other way round: the count of total −t is
    // this pool's count of t. Throws IntegerOverflowError when −MinValue does not fit.
    DicePool Negated() const;

    const std::vector<DiceTerm>& Terms() const { return terms_; }
    const std::vector<std::shared_ptr<const BraceGroup>>& Braces() const { return braces_; }
    // Every term rolled: the pool's own, then those within its groups, a sub-total's as often
    // as it is written.
    std::vector<DiceTerm> RolledTerms() const;
    std::int64_t Constant() const { return constant_; }
    // The pool taken apart, the total being the sum of the parts moved by a fixed amount: dice
    // of consecutive faces, one roll each, summed, as added ones of faces 1 … D by size,
    // smallest first (dice of one face are part of the fixed amount); successes counted 0 or 1
    // a die; exploding dice as ratios of polynomials; and the rest, counted on their own: kept
    // dice, and every other die summed or counted.
    const std::vector<DiceGroup>& Groups() const { return groups_; }
    const std::vector<SuccessGroup>& Successes() const { return successes_; }
    const std::vector<KeptGroup>& Kept() const { return kept_; }
    const std::vector<RatioGroup>& Ratios() const { return ratios_; }
    // Whether every count equals the one as far from the other end: sums of dice, and counts of
    // successes as likely as failures, are.
    bool Symmetric() const;
    // The rolls of every die of two or more sides, by sides, smallest first: the outcomes are
    // Π D^N over them, N counting each die as often as it may roll.
    std::vector<DiceGroup> OutcomeFactors() const;
    // N and D when every die rolls the same number of sides (D^N outcomes, N = 0 for none).
    std::optional<DiceGroup> SingleSize() const;
    // Every die, and those of them whose successes are counted rather than summed.
    std::int64_t DiceCount() const;
    std::int64_t CountedDiceCount() const;

    AnalysisBounds Bounds() const;
    std::int32_t MinValue() const { return minValue_; }
    std::int32_t MaxValue() const { return maxValue_; }
    // The exact mean of the totals, rounded to a double: (MinValue + MaxValue) / 2 for a
    // symmetric pool; kept dice of consecutive faces take a sum over their faces and dice, other
    // kept dice their distribution.
    double MeanValue() const;
    // MaxValue − MinValue: the totals are MinValue + j for j = 0 … Spread().
    std::int64_t Spread() const { return std::int64_t{maxValue_} - minValue_; }
    // Of the plain dice and successes; dice counted on their own leave it to their
    // distribution.
    long double Variance() const;

    // "3d6 + 2d8 + 5", "2d6 - 1d4", "-2d6 + 20", "4dF", "3d6!".
    std::string Notation() const;
    // What a message calls it: "3 dice of 6 faces" for one kind of dice alone, else the
    // notation.
    std::string Description() const;

    friend bool operator==(const DicePool& a, const DicePool& b);

private:
    void Derive();

    std::vector<DiceTerm> terms_;
    std::int64_t constant_ = 0;
    std::vector<std::shared_ptr<const BraceGroup>> braces_;
    std::vector<DiceGroup> groups_;
    std::vector<SuccessGroup> successes_;
    std::vector<KeptGroup> kept_;
    std::vector<RatioGroup> ratios_;
    std::int32_t minValue_ = 0;
    std::int32_t maxValue_ = 0;
};

} // namespace dorvanel
