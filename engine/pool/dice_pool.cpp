// SPDX-License-Identifier: MIT
#include "dice_pool.h"

#include "brace_group.h"
#include "errors.h"
#include "group_distribution.h"

#include <algorithm>
#include <cmath>
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

bool IsKeep(Modifier modifier) {
    return modifier == Modifier::KeepHighest || modifier == Modifier::KeepLowest ||
           modifier == Modifier::DropHighest || modifier == Modifier::DropLowest;
}

bool IsSuccess(Modifier modifier) {
    return modifier != Modifier::None && !IsKeep(modifier);
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

// A condition as a term writes it after r, !, or f: a bare number for "equal".
std::string ConditionText(const Condition& condition) {
    return condition.compare == Condition::Compare::Equal ? std::to_string(condition.value)
                                                          : condition.Text();
}

// One die's mean and variance.
std::pair<long double, long double> DieMoments(const Die& die) {
    long double weight = 0;
    long double sum = 0;
    for (const Die::Face& face : die.Faces()) {
        weight += static_cast<long double>(face.weight);
        sum += static_cast<long double>(face.weight) * face.value;
    }
    const long double mean = sum / weight;
    long double variance = 0;
    for (const Die::Face& face : die.Faces())
        variance += static_cast<long double>(face.weight) * (face.value - mean) *
                    (face.value - mean) / weight;
    return {mean, variance};
}

// Dice of faces 1 … D added, nothing done to them.
bool IsPlain(const DiceTerm& term) {
    DiceTerm plain;
    plain.count = term.count;
    plain.die = term.die;
    return term == plain && term.die.Uniform() && term.die.Min() == 1;
}

} // namespace

std::int64_t KeptGroup::Least() const {
    return braces ? LeastOf(*braces) : std::int64_t{kept} * die.Min();
}

std::int64_t KeptGroup::Spread() const {
    return braces ? MostOf(*braces) - LeastOf(*braces) : std::int64_t{kept} * die.Span();
}

double KeptGroup::OutcomeBits() const {
    if (!braces)
        return count * std::log2(static_cast<double>(die.Weight()));
    double bits = 0;
    for (const DicePool& member : braces->members)
        for (const DiceGroup& factor : member.OutcomeFactors())
            bits += factor.count * std::log2(static_cast<double>(factor.faces));
    return bits;
}

Condition SuccessCondition(Modifier modifier, std::int32_t parameter) {
    using Compare = Condition::Compare;
    switch (modifier) {
    case Modifier::AtLeast:
        return {Compare::AtLeast, parameter};
    case Modifier::Above:
        return {Compare::Above, parameter};
    case Modifier::AtMost:
        return {Compare::AtMost, parameter};
    case Modifier::Below:
        return {Compare::Below, parameter};
    default:
        return {Compare::Equal, parameter};
    }
}

Condition SuccessCondition(const DiceTerm& term) {
    return SuccessCondition(term.modifier, term.parameter);
}
Modifier CountModifier(Condition::Compare compare) {
    switch (compare) {
    case Condition::Compare::AtLeast:
        return Modifier::AtLeast;
    case Condition::Compare::Above:
        return Modifier::Above;
    case Condition::Compare::AtMost:
        return Modifier::AtMost;
    case Condition::Compare::Below:
        return Modifier::Below;
    default:
        return Modifier::Equal;
    }
}

Die RolledDie(const DiceTerm& term) {
    return term.reroll ? term.die.Rerolled(term.reroll->when, term.reroll->once) : term.die;
}

Condition ExplosionCondition(const DiceTerm& term) {
    return term.explosion->when.value_or(
        Condition{Condition::Compare::Equal, RolledDie(term).Max()});
}

bool Counts(const DiceTerm& term) {
    return IsSuccess(term.modifier);
}

bool Keeps(const DiceTerm& term) {
    return IsKeep(term.modifier);
}

bool Keeps(Modifier modifier) {
    return IsKeep(modifier);
}

namespace {

// How a term's dice explode: the die each roll of the chain is, and what each roll counts.
struct Chain {
    Die rolled;
    Condition on;
    bool penetrating = false;
    std::function<std::int64_t(std::int64_t)> value;
};

std::function<std::int64_t(std::int64_t)> Score(const DiceTerm& term) {
    return [success = SuccessCondition(term), failure = term.failure](std::int64_t value) {
        return std::int64_t{success.Meets(value) ? 1 : 0} -
               (failure && failure->Meets(value) ? 1 : 0);
    };
}

// The chain of an exploding term: counting with ! scores every roll, otherwise the die's value
// is the sum of its rolls.
std::optional<Chain> ChainOf(const DiceTerm& term) {
    if (!term.explosion)
        return std::nullopt;
    Chain chain;
    chain.rolled = RolledDie(term);
    chain.on = ExplosionCondition(term);
    chain.penetrating = term.explosion->kind == Explosion::Kind::Penetrating;
    if (Counts(term) && term.explosion->kind == Explosion::Kind::EachRoll)
        chain.value = Score(term);
    else
        chain.value = [](std::int64_t value) { return value; };
    return chain;
}

// Whether the term's value is its chain's, untouched afterwards.
bool ChainIsValue(const DiceTerm& term) {
    return !term.atLeast && !term.atMost &&
           (!Counts(term) || term.explosion->kind == Explosion::Kind::EachRoll);
}

// The ratio form of a term's exploding dice, when it is sparser than their faces.
std::optional<DieRatio> RatioOf(const DiceTerm& term, const Die& value) {
    const std::optional<Chain> chain = ChainOf(term);
    if (!chain || !ChainIsValue(term))
        return std::nullopt;
    std::optional<DieRatio> ratio = chain->rolled.ChainRatio(chain->on, chain->penetrating,
                                                             term.explosion->depth, chain->value);
    if (!ratio)
        return std::nullopt;
    auto terms = [](const std::vector<std::int64_t>& p) {
        return static_cast<std::size_t>(
            std::count_if(p.begin(), p.end(), [](std::int64_t c) { return c != 0; }));
    };
    if (terms(ratio->numerator) + terms(ratio->denominator) >= value.ValueCount())
        return std::nullopt;
    // Subtracted, the values mirror: the polynomials read from the top.
    if (term.subtracted) {
        std::reverse(ratio->numerator.begin(), ratio->numerator.end());
        std::reverse(ratio->denominator.begin(), ratio->denominator.end());
    }
    return ratio;
}

// Whether the recurrence's coefficients, products of every exploding die's factors times the
// dice and the totals, stay well within 64 bits with this ratio too; `scale` gathers the
// products so far. Dice beyond it are counted on their own.
bool RecurrenceFits(long double& scale, const DieRatio& ratio, std::int32_t dice,
                    std::int64_t span) {
    auto magnitude = [](const std::vector<std::int64_t>& p) {
        long double sum = 0;
        for (const std::int64_t c : p)
            sum += std::abs(static_cast<long double>(c));
        return sum;
    };
    const long double next = scale * magnitude(ratio.numerator) * magnitude(ratio.denominator);
    if (next * 2 * (dice + 1.0L) * (static_cast<long double>(span) + 1) > 0x1p56L)
        return false;
    scale = next;
    return true;
}

} // namespace

Die ValueOf(const DiceTerm& term) {
    Die die = RolledDie(term);
    if (const std::optional<Chain> chain = ChainOf(term)) {
        die = chain->rolled.Chained(chain->on, chain->penetrating, term.explosion->depth,
                                    chain->value);
        if (Counts(term) && term.explosion->kind == Explosion::Kind::EachRoll)
            return die;
    }
    if (term.atLeast || term.atMost)
        die = die.Mapped([&](std::int64_t value) {
            if (term.atLeast)
                value = std::max<std::int64_t>(value, *term.atLeast);
            if (term.atMost)
                value = std::min<std::int64_t>(value, *term.atMost);
            return value;
        });
    return Counts(term) ? die.Mapped(Score(term)) : die;
}

std::string ModifierNotation(Modifier modifier, std::int32_t parameter) {
    return modifier == Modifier::None ? "" : ModifierText(modifier) + std::to_string(parameter);
}

std::string TermNotation(const DiceTerm& term) {
    std::string text = std::to_string(term.count) + "d" + term.die.FacesText();
    if (term.reroll)
        text += (term.reroll->once ? "ro" : "r") + ConditionText(term.reroll->when);
    if (term.explosion) {
        static constexpr const char* kMarks[] = {"!", "!!", "!p"};
        text += kMarks[static_cast<int>(term.explosion->kind)];
        if (term.explosion->when)
            text += ConditionText(*term.explosion->when);
    }
    if (term.atLeast)
        text += "min" + std::to_string(*term.atLeast);
    if (term.atMost)
        text += "max" + std::to_string(*term.atMost);
    text += ModifierNotation(term.modifier, term.parameter);
    if (term.failure)
        text += "f" + ConditionText(*term.failure);
    return text;
}

DicePool::DicePool(const std::vector<DiceTerm>& terms, std::int64_t constant)
    : DicePool(terms, constant, {}) {}

DicePool::DicePool(const std::vector<DiceTerm>& terms, std::int64_t constant,
                   std::vector<std::shared_ptr<const BraceGroup>> braces)
    : constant_(constant), braces_(std::move(braces)) {
    for (const DiceTerm& term : terms) {
        if (term.count == 0)
            continue;
        // Dice written alike add up; kept dice stand on their own: the highest K of 2N dice
        // are not the highest K of N twice.
        auto same = std::find_if(terms_.begin(), terms_.end(), [&term](const DiceTerm& known) {
            DiceTerm other = known;
            other.count = term.count;
            return !Keeps(term) && other == term;
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
    long double ratioScale = 1;
    constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();
    for (const DiceTerm& term : terms_) {
        Die die = ValueOf(term);
        // Subtracted, a die's values are negated, its highest the lowest.
        if (term.subtracted)
            die = die.Negated();
        const auto [summed, lowest] = SummedDice(term);
        low += Int128{summed} * die.Min();
        high += Int128{summed} * die.Max();
        // A die of one value that rolls one way only moves the totals.
        if (die.ValueCount() == 1 && die.LowestWeight() == 1)
            continue;
        const bool selects = summed < term.count;
        const std::vector<Die::Face> faces =
            die.Span() <= 1 ? die.Faces() : std::vector<Die::Face>{};
        const bool twoValues = !faces.empty() && faces.front().weight <= kInt32Max &&
                               faces.back().weight <= kInt32Max - faces.front().weight;
        if (!selects && !Counts(term) && die.Uniform()) {
            sizes[die.Span() + 1] += term.count;
        } else if (std::optional<DieRatio> ratio;
                   !selects && !twoValues && (ratio = RatioOf(term, die)) &&
                   RecurrenceFits(ratioScale, *ratio, term.count, die.Span())) {
            ratios_.push_back({term.count, die, std::move(*ratio)});
        } else if (!selects && twoValues) {
            // Each die adds 0 or 1 to its lowest value (one value: never 1).
            const std::int64_t upper = faces.size() == 2 ? faces.back().weight : 0;
            successes_.push_back({term.count, static_cast<std::int32_t>(upper),
                                  static_cast<std::int32_t>(faces.front().weight)});
        } else {
            kept_.push_back(
                {term.count, die, summed, selects && lowest != term.subtracted, nullptr});
        }
    }
    for (const auto& group : braces_) {
        low += LeastOf(*group);
        high += MostOf(*group);
        kept_.push_back({MembersOf(*group), Die(), 0, false, group});
    }
    minValue_ = CheckedInt32(low);
    maxValue_ = CheckedInt32(high);
    for (const auto& [faces, count] : sizes)
        groups_.push_back({CheckedInt32(count), static_cast<std::int32_t>(faces)});
}

bool operator==(const DicePool& a, const DicePool& b) {
    return a.terms_ == b.terms_ && a.constant_ == b.constant_ &&
           std::equal(a.braces_.begin(), a.braces_.end(), b.braces_.begin(), b.braces_.end(),
                      [](const auto& x, const auto& y) { return *x == *y; });
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
    DiceTerm term;
    term.count = dice;
    term.die = Die::Range(1, faces);
    return DicePool({term}, 0);
}

DicePool DicePool::Plus(const DicePool& other) const {
    std::vector<DiceTerm> terms = terms_;
    terms.insert(terms.end(), other.terms_.begin(), other.terms_.end());
    std::vector<std::shared_ptr<const BraceGroup>> braces = braces_;
    braces.insert(braces.end(), other.braces_.begin(), other.braces_.end());
    return DicePool(terms, constant_ + other.constant_, std::move(braces));
}

DicePool DicePool::Negated() const {
    std::vector<DiceTerm> terms = terms_;
    for (DiceTerm& term : terms)
        term.subtracted = !term.subtracted;
    std::vector<std::shared_ptr<const BraceGroup>> braces;
    for (const auto& group : braces_) {
        auto negated = std::make_shared<BraceGroup>(*group);
        negated->subtracted = !negated->subtracted;
        braces.push_back(std::move(negated));
    }
    return DicePool(terms, -constant_, std::move(braces));
}

std::vector<DiceTerm> DicePool::RolledTerms() const {
    std::vector<DiceTerm> terms = terms_;
    for (const auto& group : braces_)
        for (const DicePool& member : group->members)
            terms.insert(terms.end(), member.Terms().begin(), member.Terms().end());
    return terms;
}

std::vector<DiceGroup> DicePool::OutcomeFactors() const {
    std::map<std::int64_t, std::int64_t> sizes;
    for (const DiceTerm& term : RolledTerms()) {
        const Die die = ValueOf(term);
        if (die.Sides() >= 2)
            sizes[die.Sides()] += std::int64_t{term.count} * die.Rolls();
    }
    std::vector<DiceGroup> factors;
    for (const auto& [faces, count] : sizes)
        factors.push_back({CheckedInt32(count), static_cast<std::int32_t>(faces)});
    return factors;
}

std::optional<DiceGroup> DicePool::SingleSize() const {
    DiceGroup single{0, 1};
    for (const DiceTerm& term : RolledTerms()) {
        const Die die = ValueOf(term);
        if (single.count != 0 && die.Sides() != single.faces)
            return std::nullopt;
        single = {CheckedInt32(Int128{single.count} + Int128{term.count} * die.Rolls()),
                  die.Sides()};
    }
    return single;
}

std::int64_t DicePool::DiceCount() const {
    std::int64_t dice = 0;
    for (const DiceTerm& term : RolledTerms())
        dice += term.count;
    return dice;
}

std::int64_t DicePool::CountedDiceCount() const {
    std::int64_t dice = 0;
    for (const DiceTerm& term : RolledTerms())
        if (Counts(term))
            dice += term.count;
    return dice;
}

bool DicePool::Symmetric() const {
    return kept_.empty() && ratios_.empty() &&
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
                    (static_cast<long double>(group.successes) + group.failures);
    for (const KeptGroup& group : kept_)
        mean += GroupMean(group) - static_cast<long double>(group.Least());
    for (const RatioGroup& group : ratios_)
        mean += group.count * (DieMoments(group.die).first - group.die.Min());
    return static_cast<double>(mean);
}

long double DicePool::Variance() const {
    // By number of faces, so that one kind of dice gives N·(D² − 1) / 12 as it always has.
    long double variance = 0;
    for (const DiceGroup& group : groups_) {
        const long double n = group.count;
        const long double d = group.faces;
        variance += n * (d * d - 1) / 12;
    }
    for (const RatioGroup& group : ratios_)
        variance += group.count * DieMoments(group.die).second;
    for (const SuccessGroup& group : successes_) {
        const long double faces = static_cast<long double>(group.successes) + group.failures;
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
        text += TermNotation(term);
    }
    for (const auto& group : braces_) {
        if (!text.empty())
            text += group->subtracted ? " - " : " + ";
        else if (group->subtracted)
            text += "-";
        text += BraceNotation(*group);
    }
    if (text.empty())
        return std::to_string(constant_);
    if (constant_ != 0)
        text += (constant_ < 0 ? " - " : " + ") +
                std::to_string(constant_ < 0 ? -constant_ : constant_);
    return text;
}

std::string DicePool::Description() const {
    if (terms_.size() == 1 && constant_ == 0 && IsPlain(terms_[0]))
        return std::to_string(terms_[0].count) + " dice of " + std::to_string(terms_[0].die.Max()) +
               " faces";
    return Notation();
}

} // namespace dorvanel
