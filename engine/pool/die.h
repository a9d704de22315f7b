// SPDX-License-Identifier: MIT
// One die, whatever is done to it: a weighted set of whole-number values, the weights counting
// equally likely rolls. A plain dD is 1 … D, each of weight 1; rerolling, exploding, clamping
// and counting successes each turn a die into another. Its rolls number Sides()^Rolls(): the
// sides of one roll of the die as written (after rerolls that remove faces), and how many such
// rolls a die may take at most (two for a reroll once, K + 1 for an explosion of depth K).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace dorvanel {

// A comparison with a whole number: `=T`, `<T`, `<=T`, `>T` or `>=T`, strict where written so.
struct Condition {
    enum class Compare { Equal, Below, AtMost, Above, AtLeast };
    Compare compare = Compare::Equal;
    std::int32_t value = 0;

    bool Meets(std::int64_t face) const;
    // "=6", "<3", ">=8".
    std::string Text() const;
    // "of 8 or more", "of 6", "below 3": how a sentence names the faces that meet it.
    std::string Words() const;

    friend bool operator==(const Condition&, const Condition&) = default;
};

// A die beyond what its weights can count exactly: a 64-bit weight, or more distinct values
// than a pool can hold. The message says which.
class DieLimitError : public std::range_error {
public:
    using std::range_error::range_error;
};

// A die's outcomes as a ratio of polynomials, x^k standing for the value lowest + k: the sum
// over its faces of weight·x^k is numerator / denominator, both with a positive constant term.
// Sparse where the die's own faces are many: an exploding die is a few terms over a few.
struct DieRatio {
    std::vector<std::int64_t> numerator;
    std::vector<std::int64_t> denominator;

    friend bool operator==(const DieRatio&, const DieRatio&) = default;
};

class Die {
public:
    struct Face {
        std::int32_t value = 0;
        std::int64_t weight = 0;

        friend bool operator==(const Face&, const Face&) = default;
    };

    // A die of no faces stands for none rolled.
    Die() = default;
    // Faces low … high, one roll each.
    static Die Range(std::int32_t low, std::int32_t high);
    // Faces as listed, a repeated one weighing more: {0, 0, 1, 1, 2}.
    static Die Listed(const std::vector<std::int32_t>& faces);

    // By value, smallest first, every weight above 0; built afresh for consecutive faces.
    std::vector<Face> Faces() const;
    std::size_t ValueCount() const { return range_ ? Sides() : faces_.size(); }
    std::int32_t Min() const { return range_ ? low_ : faces_.front().value; }
    std::int32_t Max() const { return range_ ? high_ : faces_.back().value; }
    std::int64_t Span() const { return std::int64_t{Max()} - Min(); }
    // The weight of the lowest value, and of all, this one rounded.
    std::int64_t LowestWeight() const { return range_ ? 1 : faces_.front().weight; }
    long double Weight() const;
    std::int32_t Sides() const { return sides_; }
    std::int32_t Rolls() const { return rolls_; }
    // Consecutive values, one roll each: what the counts of plain dice are built on.
    bool Uniform() const { return range_; }
    // Whether every face meets `condition`, and whether any does.
    bool AllMeet(const Condition& condition) const;
    bool AnyMeets(const Condition& condition) const;

    // Every value v as −v.
    Die Negated() const;
    // Rolled again while the roll meets `condition`: those faces gone. Once: the second roll
    // stands, over Sides()² rolls.
    Die Rerolled(const Condition& condition, bool once) const;
    // While a roll meets `on`, roll again and add, at most `depth` extra rolls, the last not
    // rolled again; a penetrating extra roll adds one less than it shows. Each roll's face (less
    // one when penetrating) counts `value(face)`; the die's value is their sum.
    Die Chained(const Condition& on, bool penetrating, std::int32_t depth,
                const std::function<std::int64_t(std::int64_t)>& value) const;
    // The same chain as a ratio of polynomials, for depth 1 or more: with A and B the first
    // roll's faces that go on and stop, A′ and B′ an extra roll's, and T one roll's weight,
    //   P = (T^K·(B·(T − A′) + A·B′) + A·A′^K·(T − A′ − B′)) / (T − A′),
    // both sides times 1 − x where that leaves fewer terms. Nothing when a coefficient would
    // leave 64 bits. The ratio is checked against the chain's faces before it is given.
    std::optional<DieRatio>
    ChainRatio(const Condition& on, bool penetrating, std::int32_t depth,
               const std::function<std::int64_t(std::int64_t)>& value) const;
    // Every value v as value(v), the weights of values that meet added.
    Die Mapped(const std::function<std::int64_t(std::int64_t)>& value) const;

    // "6" for 1 … 6, "F" for −1 … 1, else the faces as a list: "{0,0,1,1,2}", "{-3..3}".
    std::string FacesText() const;

    friend bool operator==(const Die&, const Die&) = default;

private:
    // Consecutive faces of weight 1 rolled once are kept as their range alone: a plain die of
    // a million faces is two numbers.
    Die(std::vector<Face> faces, std::int32_t sides, std::int32_t rolls);

    std::vector<Face> faces_; // empty for a range
    bool range_ = false;
    std::int32_t low_ = 0;
    std::int32_t high_ = -1;
    std::int32_t sides_ = 0;
    std::int32_t rolls_ = 1;
};

// Values within ±1 000 000 as written, a die of at most this many distinct values however it
// explodes.
inline constexpr std::int32_t kMaxFaceValue = 1000000;
inline constexpr std::size_t kMaxDieValues = 100000;

} // namespace dorvanel
