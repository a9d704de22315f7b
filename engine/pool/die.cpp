// SPDX-License-Identifier: MIT
#include "die.h"

#include <algorithm>
#include <limits>
#include <map>

namespace dorvanel {
namespace {

__extension__ typedef __int128 Int128;

using Weights = std::map<std::int64_t, Int128>;

constexpr Int128 kMostWeight = std::numeric_limits<std::int64_t>::max();

void CheckValues(const Weights& weights) {
    if (weights.size() > kMaxDieValues)
        throw DieLimitError("more than " + std::to_string(kMaxDieValues) +
                            " different values on one die");
}

std::vector<Die::Face> FacesOf(const Weights& weights) {
    CheckValues(weights);
    std::vector<Die::Face> faces;
    for (const auto& [value, weight] : weights) {
        if (weight == 0)
            continue;
        if (weight > kMostWeight)
            throw DieLimitError("more rolls of one die than 64 bits count");
        if (value < std::numeric_limits<std::int32_t>::min() ||
            value > std::numeric_limits<std::int32_t>::max())
            throw DieLimitError("a value of one die beyond the 32-bit range");
        faces.push_back({static_cast<std::int32_t>(value), static_cast<std::int64_t>(weight)});
    }
    return faces;
}

// The sums of a value of a and one of b, their weights multiplied.
void AddProduct(Weights& into, const Weights& a, const Weights& b) {
    for (const auto& [av, aw] : a)
        for (const auto& [bv, bw] : b) {
            Int128& sum = into[av + bv];
            sum += aw * bw;
            if (sum > kMostWeight)
                throw DieLimitError("more rolls of one die than 64 bits count");
        }
}

Int128 Checked(Int128 value) {
    if (value > kMostWeight)
        throw DieLimitError("more rolls of one die than 64 bits count");
    return value;
}

// One roll of an exploding chain split by whether it goes on: the first roll's values and an
// extra roll's (less one when penetrating), and what one roll weighs in all.
struct ChainRolls {
    Weights firstGo, firstStop, extraGo, extraStop;
    Int128 weight = 0;
};

ChainRolls SplitRolls(const std::vector<Die::Face>& faces, const Condition& on, bool penetrating,
                      const std::function<std::int64_t(std::int64_t)>& value) {
    ChainRolls rolls;
    for (const Die::Face& face : faces) {
        const bool goes = on.Meets(face.value);
        (goes ? rolls.firstGo : rolls.firstStop)[value(face.value)] += face.weight;
        (goes ? rolls.extraGo : rolls.extraStop)[value(face.value - (penetrating ? 1 : 0))] +=
            face.weight;
        rolls.weight += face.weight;
    }
    return rolls;
}

} // namespace

bool Condition::Meets(std::int64_t face) const {
    switch (compare) {
    case Compare::Below:
        return face < value;
    case Compare::AtMost:
        return face <= value;
    case Compare::Above:
        return face > value;
    case Compare::AtLeast:
        return face >= value;
    default:
        return face == value;
    }
}

std::string Condition::Text() const {
    static constexpr const char* kSigns[] = {"=", "<", "<=", ">", ">="};
    return kSigns[static_cast<int>(compare)] + std::to_string(value);
}

std::string Condition::Words() const {
    const std::string number = std::to_string(value);
    switch (compare) {
    case Compare::Below:
        return "below " + number;
    case Compare::AtMost:
        return "of " + number + " or less";
    case Compare::Above:
        return "above " + number;
    case Compare::AtLeast:
        return "of " + number + " or more";
    default:
        return "of " + number;
    }
}

Die::Die(std::vector<Face> faces, std::int32_t sides, std::int32_t rolls)
    : faces_(std::move(faces)), sides_(sides), rolls_(rolls) {
    bool consecutive = rolls_ == 1 && !faces_.empty();
    for (std::size_t i = 0; consecutive && i < faces_.size(); ++i)
        consecutive = faces_[i].weight == 1 && faces_[i].value == faces_[0].value + std::int64_t(i);
    if (consecutive) {
        range_ = true;
        low_ = faces_.front().value;
        high_ = faces_.back().value;
        faces_.clear();
    }
}

Die Die::Range(std::int32_t low, std::int32_t high) {
    Die die;
    die.range_ = true;
    die.low_ = low;
    die.high_ = high;
    die.sides_ = static_cast<std::int32_t>(std::int64_t{high} - low + 1);
    return die;
}

std::vector<Die::Face> Die::Faces() const {
    if (!range_)
        return faces_;
    std::vector<Face> faces;
    for (std::int64_t value = low_; value <= high_; ++value)
        faces.push_back({static_cast<std::int32_t>(value), 1});
    return faces;
}

long double Die::Weight() const {
    if (range_)
        return Sides();
    long double weight = 0;
    for (const Face& face : faces_)
        weight += static_cast<long double>(face.weight);
    return weight;
}

Die Die::Listed(const std::vector<std::int32_t>& faces) {
    Weights weights;
    for (const std::int32_t face : faces)
        ++weights[face];
    return Die(FacesOf(weights), static_cast<std::int32_t>(faces.size()), 1);
}

bool Die::AllMeet(const Condition& condition) const {
    const std::vector<Face> faces = Faces();
    return std::all_of(faces.begin(), faces.end(),
                       [&](const Face& face) { return condition.Meets(face.value); });
}

bool Die::AnyMeets(const Condition& condition) const {
    const std::vector<Face> faces = Faces();
    return std::any_of(faces.begin(), faces.end(),
                       [&](const Face& face) { return condition.Meets(face.value); });
}

Die Die::Negated() const {
    if (range_)
        return Range(-high_, -low_);
    std::vector<Face> faces(faces_.rbegin(), faces_.rend());
    for (Face& face : faces)
        face.value = -face.value;
    return Die(std::move(faces), sides_, rolls_);
}

Die Die::Rerolled(const Condition& condition, bool once) const {
    if (once) {
        // A face that meets the condition is replaced by a whole new roll: its weight spread
        // over every face; the others stand, each over Sides() second rolls.
        const std::vector<Face> faces = Faces();
        Int128 meeting = 0;
        for (const Face& face : faces)
            meeting += condition.Meets(face.value) ? face.weight : 0;
        Weights weights;
        for (const Face& face : faces)
            weights[face.value] =
                Checked((condition.Meets(face.value) ? 0 : Int128{face.weight} * sides_) +
                        meeting * face.weight);
        return Die(FacesOf(weights), sides_, rolls_ * 2);
    }
    std::vector<Face> faces;
    std::int64_t sides = 0;
    for (const Face& face : Faces())
        if (!condition.Meets(face.value)) {
            faces.push_back(face);
            sides += face.weight;
        }
    return Die(std::move(faces), static_cast<std::int32_t>(sides), rolls_);
}

Die Die::Chained(const Condition& on, bool penetrating, std::int32_t depth,
                 const std::function<std::int64_t(std::int64_t)>& value) const {
    // A chain that stops early weighs as many rolls as it did not take, so that every die
    // weighs the same: one roll's weight to the power depth + 1.
    const auto [firstGo, firstStop, extraGo, extraStop, sides] =
        SplitRolls(Faces(), on, penetrating, value);
    // tail(k): a chain from an extra roll that may explode k more times.
    Weights tail = extraStop;
    for (const auto& [v, w] : extraGo)
        tail[v] += w;
    Int128 scale = 1; // sides^k
    for (std::int32_t k = 1; k < depth; ++k) {
        scale = Checked(scale * sides);
        Weights next;
        for (const auto& [v, w] : extraStop)
            next[v] = Checked(w * scale);
        AddProduct(next, extraGo, tail);
        tail = std::move(next);
        CheckValues(tail);
    }
    if (depth == 0)
        return Mapped(value);
    scale = Checked(scale * sides);
    Weights die;
    for (const auto& [v, w] : firstStop)
        die[v] = Checked(w * scale);
    AddProduct(die, firstGo, tail);
    return Die(FacesOf(die), sides_, rolls_ * (depth + 1));
}

Die Die::Mapped(const std::function<std::int64_t(std::int64_t)>& value) const {
    Weights weights;
    for (const Face& face : Faces())
        weights[value(face.value)] += face.weight;
    return Die(FacesOf(weights), sides_, rolls_);
}

namespace {

// Polynomials in x and 1/x, by power, every coefficient checked against 64 bits.
using Laurent = Weights;

class RatioOverflow {};

Int128 Fits(Int128 value) {
    constexpr Int128 kMost = std::numeric_limits<std::int64_t>::max();
    if (value > kMost || value < -kMost)
        throw RatioOverflow();
    return value;
}

Laurent Times(const Laurent& a, const Laurent& b) {
    Laurent product;
    for (const auto& [ap, ac] : a)
        for (const auto& [bp, bc] : b) {
            if ((ac > 0 ? ac : -ac) > (Int128{1} << 63) / ((bc > 0 ? bc : -bc) + 1))
                throw RatioOverflow();
            Int128& sum = product[ap + bp];
            sum = Fits(sum + ac * bc);
        }
    std::erase_if(product, [](const auto& term) { return term.second == 0; });
    return product;
}

Laurent Plus(Laurent a, const Laurent& b, Int128 scale = 1) {
    for (const auto& [p, c] : b) {
        Int128& sum = a[p];
        sum = Fits(sum + Fits(scale * c));
    }
    std::erase_if(a, [](const auto& term) { return term.second == 0; });
    return a;
}

Laurent Power(const Laurent& base, std::int32_t exponent) {
    Laurent result{{0, 1}};
    for (std::int32_t i = 0; i < exponent; ++i)
        result = Times(result, base);
    return result;
}

// Dense from the lowest power, its sign made positive at the constant term.
std::vector<std::int64_t> Dense(const Laurent& p, bool negate) {
    const std::int64_t low = p.begin()->first;
    std::vector<std::int64_t> dense(static_cast<std::size_t>(p.rbegin()->first - low) + 1, 0);
    for (const auto& [power, c] : p)
        dense[static_cast<std::size_t>(power - low)] = static_cast<std::int64_t>(negate ? -c : c);
    return dense;
}

// numerator / denominator as a power series to `terms` terms, or nothing when the division
// leaves a remainder.
std::optional<std::vector<Int128>> Quotient(const std::vector<std::int64_t>& numerator,
                                            const std::vector<std::int64_t>& denominator,
                                            std::size_t terms) {
    std::vector<Int128> rest(std::max(numerator.size(), terms + denominator.size()), 0);
    std::copy(numerator.begin(), numerator.end(), rest.begin());
    std::vector<Int128> quotient(terms, 0);
    for (std::size_t i = 0; i < terms; ++i) {
        if (rest[i] % denominator[0] != 0)
            return std::nullopt;
        quotient[i] = rest[i] / denominator[0];
        for (std::size_t j = 0; j < denominator.size(); ++j)
            rest[i + j] -= quotient[i] * denominator[j];
    }
    if (std::any_of(rest.begin(), rest.end(), [](Int128 c) { return c != 0; }))
        return std::nullopt;
    return quotient;
}

} // namespace

std::optional<DieRatio>
Die::ChainRatio(const Condition& on, bool penetrating, std::int32_t depth,
                const std::function<std::int64_t(std::int64_t)>& value) const {
    if (depth < 1)
        return std::nullopt;
    const auto [firstGo, firstStop, extraGo, extraStop, total] =
        SplitRolls(Faces(), on, penetrating, value);
    try {
        const Laurent t{{0, total}};
        const Laurent over = Plus(t, extraGo, -1); // T − A′
        Laurent numerator =
            Plus(Times(Power(t, depth), Plus(Times(firstStop, over), Times(firstGo, extraStop))),
                 Times(Times(firstGo, Power(extraGo, depth)), Plus(over, extraStop, -1)));
        Laurent denominator = over;
        const Laurent oneLess{{0, 1}, {1, -1}};
        const Laurent sparser = Times(numerator, oneLess);
        if (sparser.size() < numerator.size()) {
            numerator = sparser;
            denominator = Times(denominator, oneLess);
        }
        DieRatio ratio{Dense(numerator, numerator.begin()->second < 0),
                       Dense(denominator, denominator.begin()->second < 0)};
        // The ratio must be the chain, face for face, before any count is built on it.
        const Die chain = Chained(on, penetrating, depth, value);
        std::vector<Int128> expected(static_cast<std::size_t>(chain.Span()) + 1, 0);
        for (const Face& face : chain.Faces())
            expected[static_cast<std::size_t>(face.value - chain.Min())] = face.weight;
        if (Quotient(ratio.numerator, ratio.denominator, expected.size()) != expected)
            return std::nullopt;
        return ratio;
    } catch (const RatioOverflow&) {
        return std::nullopt;
    }
}

std::string Die::FacesText() const {
    if (Uniform() && Min() == 1)
        return std::to_string(Max());
    if (Uniform() && Min() == -1 && Max() == 1)
        return "F";
    if (Uniform() && Sides() > 2)
        return "{" + std::to_string(Min()) + ".." + std::to_string(Max()) + "}";
    std::string text;
    for (const Face& face : faces_)
        for (std::int64_t i = 0; i < face.weight; ++i)
            text += (text.empty() ? "" : ",") + std::to_string(face.value);
    return "{" + text + "}";
}

} // namespace dorvanel
