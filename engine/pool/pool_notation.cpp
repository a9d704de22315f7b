// SPDX-License-Identifier: MIT
#include "pool_notation.h"

#include "brace_group.h"
#include "errors.h"

#include <algorithm>
#include <cctype>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace dorvanel {
namespace {

// Larger numbers are out of every range; digits beyond stop adding.
constexpr std::int64_t kNumberCap = std::int64_t{1} << 40;

// The typographic minus sign, which texts pasted from elsewhere use.
constexpr std::string_view kMinusSign = "\xE2\x88\x92";

class Parser {
public:
    Parser(std::string_view text, std::int32_t explodeDepth)
        : text_(text), explodeDepth_(explodeDepth) {}

    DicePool Parse(const DicePool& before) {
        SkipSpaces();
        if (AtEnd())
            Fail("no dice or number given");
        Expression();
        DicePool pool;
        try {
            pool = before.Plus(DicePool(terms_, constant_, braces_));
        } catch (const IntegerOverflowError&) {
            Fail("totals must stay within -2147483648 to 2147483647");
        }
        // Summed dice and counted ones are limited apart: a counted die adds at most one to
        // the total, so "10000d6>=5 + 10000d1000" has few more totals than 10000d1000.
        const std::int64_t counted = pool.CountedDiceCount();
        const std::int64_t summed = pool.DiceCount() - counted;
        if (summed > kMaxDiceInAll)
            throw NotationError(std::to_string(summed) + " dice: at most " +
                                std::to_string(kMaxDiceInAll) + " dice in all");
        if (counted > kMaxDiceInAll)
            throw NotationError(std::to_string(counted) + " dice counted for successes: at most " +
                                std::to_string(kMaxDiceInAll) + " in all");
        return pool;
    }

private:
    // Terms joined by + and -, up to the end, or within a group up to its , or }.
    void Expression() {
        bool subtracted = TakeSign().value_or(false);
        for (;;) {
            SkipSpaces();
            Peek() == '{' ? Group(subtracted) : Term(subtracted);
            SkipSpaces();
            if (AtEnd() || AtMemberEnd())
                break;
            const std::optional<bool> sign = TakeSign();
            if (!sign) {
                if (IsDigit(Peek()) || IsLetter('d') || Peek() == '{')
                    Fail("+ or - missing at position " + Position());
                Stray();
            }
            subtracted = *sign;
            SkipSpaces();
            if (AtEnd() || AtMemberEnd())
                Fail("a term is missing at position " + Position());
        }
    }

    bool AtMemberEnd() const { return groupAt_ && (Peek() == ',' || Peek() == '}'); }

    // {…} and what selects from it: pooled dice, or sub-totals separated by commas.
    void Group(bool subtracted) {
        const std::size_t open = at_;
        if (groupAt_)
            Fail("groups do not nest: the group at position " + PositionOf(open) +
                 " is inside the one at position " + PositionOf(*groupAt_));
        ++at_;
        groupAt_ = open;
        std::vector<DiceTerm> outerTerms = std::exchange(terms_, {});
        std::vector<std::size_t> outerStarts = std::exchange(termStarts_, {});
        const std::int64_t outerConstant = std::exchange(constant_, 0);
        std::vector<DicePool> members;
        std::optional<std::size_t> constantAt;
        std::vector<std::size_t> starts;
        for (;;) {
            SkipSpaces();
            if (AtEnd())
                Fail("the group at position " + PositionOf(open) + " is not closed with }");
            if (Peek() == ',' || Peek() == '}')
                Fail(members.empty() && Peek() == '}'
                         ? "the group at position " + PositionOf(open) + " is empty"
                         : "a member of the group is missing at position " + Position());
            terms_.clear();
            termStarts_.clear();
            constant_ = 0;
            constantAt_.reset();
            Expression();
            if (AtEnd())
                Fail("the group at position " + PositionOf(open) + " is not closed with }");
            try {
                members.emplace_back(terms_, constant_);
            } catch (const IntegerOverflowError&) {
                Fail("totals must stay within -2147483648 to 2147483647");
            }
            if (!constantAt)
                constantAt = constantAt_;
            starts.insert(starts.end(), termStarts_.begin(), termStarts_.end());
            if (text_[at_++] == '}')
                break;
        }
        groupAt_.reset();
        std::vector<DiceTerm> inner = std::exchange(terms_, std::move(outerTerms));
        termStarts_ = std::move(outerStarts);
        constant_ = outerConstant;

        BraceGroup group;
        group.pooled = members.size() == 1;
        group.members = std::move(members);
        group.subtracted = subtracted;
        const std::optional<std::size_t> selectionAt = Selection(group);
        if (group.pooled) {
            // Dice only, all added, none selected within.
            auto refuse = [&](std::size_t at, const std::string& what) {
                Fail("the group at position " + PositionOf(open) + " pools dice: " + what +
                     " at position " + PositionOf(at) + " cannot be within it");
            };
            if (constantAt)
                refuse(*constantAt, "the number");
            for (std::size_t i = 0; i < inner.size(); ++i) {
                if (inner[i].subtracted)
                    refuse(starts[i], "the dice subtracted");
                if (inner[i].modifier != Modifier::None)
                    refuse(starts[i], "the dice kept or counted");
                if (inner[i].explosion && inner[i].explosion->kind == Explosion::Kind::EachRoll)
                    Fail("the dice at position " + PositionOf(starts[i]) +
                         " explode with ! within a group: pool exploding dice with !!");
            }
        }
        const std::int32_t all = MembersOf(group);
        const bool keeps =
            group.modifier == Modifier::KeepHighest || group.modifier == Modifier::KeepLowest;
        const bool drops =
            group.modifier == Modifier::DropHighest || group.modifier == Modifier::DropLowest;
        if (selectionAt && (keeps || drops)) {
            const std::int32_t least = keeps ? 1 : 0;
            const std::int32_t most = keeps ? all : all - 1;
            if (group.parameter < least || group.parameter > most)
                Fail(std::string("the ") + (group.pooled ? "dice " : "sub-totals ") +
                     (keeps ? "kept" : "dropped") + " at position " + PositionOf(*selectionAt) +
                     " must be from " + std::to_string(least) + " to " + std::to_string(most));
        }
        const bool selectsAll =
            !selectionAt || (keeps && group.parameter == all) || (drops && group.parameter == 0);
        // What plain terms say as well is written as terms: the sum of all, one kind of dice,
        // or pooled dice counted.
        if (selectsAll) {
            for (const DicePool& member : group.members)
                for (DiceTerm term : member.Terms()) {
                    term.subtracted = term.subtracted != subtracted;
                    terms_.push_back(term);
                    termStarts_.push_back(open);
                }
            for (const DicePool& member : group.members)
                constant_ += subtracted ? -member.Constant() : member.Constant();
            return;
        }
        if (group.pooled && (group.members.front().Terms().size() == 1 || !(keeps || drops))) {
            for (DiceTerm term : group.members.front().Terms()) {
                term.subtracted = subtracted;
                term.modifier = group.modifier;
                term.parameter = group.parameter;
                terms_.push_back(term);
                termStarts_.push_back(open);
            }
            return;
        }
        // Sub-totals are counted for the labels before any run: they must be quick.
        if (!group.pooled && BraceWork(group) > kMostSubTotalWork)
            Fail("the sub-totals of the group at position " + PositionOf(open) +
                 " are too large to count at once" + WhatAnswers(group, kMostSubTotalWork));
        braces_.push_back(std::make_shared<const BraceGroup>(std::move(group)));
    }

    // After a group: khK, klK, dhK, dlK, kK or dK, or a condition; where it stands, if there.
    std::optional<std::size_t> Selection(BraceGroup& group) {
        const std::size_t spaced = at_;
        SkipSpaces();
        const std::size_t at = at_;
        // Spaces then a die or a number: a + or - is missing, as after a term.
        if (at != spaced && (IsLetter('d') || IsDigit(Peek()))) {
            at_ = spaced;
            return std::nullopt;
        }
        DiceTerm selection;
        selection.count = std::numeric_limits<std::int32_t>::max(); // checked against the group
        if (IsLetter('k') || IsLetter('d')) {
            Keep(selection, at);
        } else if (Peek() == '>' || Peek() == '<' || Peek() == '=') {
            Count(selection, RequiredCondition());
        } else {
            at_ = spaced;
            return std::nullopt;
        }
        group.modifier = selection.modifier;
        group.parameter = selection.parameter;
        return at;
    }

    bool AtEnd() const { return at_ >= text_.size(); }
    char Peek() const { return AtEnd() ? '\0' : text_[at_]; }
    static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

    // Positions count characters, not the bytes of their encoding.
    std::string Position() const { return PositionOf(at_); }
    std::string PositionOf(std::size_t byte) const {
        std::size_t characters = 0;
        for (std::size_t i = 0; i < byte; ++i)
            characters += (static_cast<unsigned char>(text_[i]) & 0xC0) != 0x80;
        return std::to_string(characters + 1);
    }

    [[noreturn]] void Fail(const std::string& what) const {
        throw NotationError(QuotedInput(text_, at_) + ": " + what);
    }

    // The character at the current place, whole however many bytes it takes.
    [[noreturn]] void Stray() const {
        std::size_t end = at_ + 1;
        while (end < text_.size() && (static_cast<unsigned char>(text_[end]) & 0xC0) == 0x80)
            ++end;
        Fail("'" + QuotedInput(text_.substr(at_, end - at_)) + "' at position " + Position() +
             " is not part of a die or a number");
    }

    void SkipSpaces() {
        while (!AtEnd() && (Peek() == ' ' || Peek() == '\t'))
            ++at_;
    }

    // Whether a minus sign was taken; nothing when no sign is there.
    std::optional<bool> TakeSign() {
        if (Peek() == '+' || Peek() == '-') {
            return text_[at_++] == '-';
        }
        if (text_.substr(at_, kMinusSign.size()) == kMinusSign) {
            at_ += kMinusSign.size();
            return true;
        }
        return std::nullopt;
    }

    std::optional<std::int64_t> Number() {
        if (!IsDigit(Peek()))
            return std::nullopt;
        std::int64_t value = 0;
        for (; IsDigit(Peek()); ++at_)
            value = std::min(value * 10 + (Peek() - '0'), kNumberCap);
        return value;
    }

    void Term(bool subtracted) {
        const std::size_t start = at_;
        const std::optional<std::int64_t> number = Number();
        SkipSpaces();
        if (!IsLetter('d')) {
            if (!number)
                AtEnd() ? Fail("a term is missing at position " + Position()) : Stray();
            if (*number > std::numeric_limits<std::int32_t>::max())
                Fail("the number at position " + PositionOf(start) + " is too large");
            constant_ += subtracted ? -*number : *number;
            if (!constantAt_)
                constantAt_ = start;
            return;
        }
        const std::int64_t count = number.value_or(1);
        if (count < 1 || count > kMaxDiceInTerm)
            Fail("the number of dice at position " + PositionOf(start) + " must be from 1 to " +
                 std::to_string(kMaxDiceInTerm));
        ++at_; // the d
        SkipSpaces();
        DiceTerm term;
        term.count = static_cast<std::int32_t>(count);
        term.subtracted = subtracted;
        term.die = Faces();
        Modify(term, start);
        try {
            ValueOf(term);
        } catch (const DieLimitError& error) {
            Fail("the dice at position " + PositionOf(start) + ": " + error.what() +
                 DeepestThatFits(term));
        }
        terms_.push_back(term);
        termStarts_.push_back(start);
    }

    // The deepest explosion of this term that its weights still count, when it explodes.
    static std::string DeepestThatFits(DiceTerm term) {
        if (!term.explosion)
            return "";
        while (term.explosion->depth > 0) {
            --term.explosion->depth;
            try {
                ValueOf(term);
                return "; explosions up to " + std::to_string(term.explosion->depth) +
                       " extra rolls deep answer";
            } catch (const DieLimitError&) {
            }
        }
        return "";
    }

    // After the d: a number of faces, %, F, or a list of faces in braces.
    Die Faces() {
        const std::size_t facesAt = at_;
        if (Peek() == '%') {
            ++at_;
            return Die::Range(1, 100);
        }
        if (IsLetter('f')) {
            ++at_;
            return Die::Range(-1, 1);
        }
        if (Peek() == '{')
            return FaceList();
        if (const std::optional<std::int64_t> faces = Number()) {
            if (*faces < 1 || *faces > kMaxFaces)
                Fail("the number of faces at position " + PositionOf(facesAt) +
                     " must be from 1 to " + std::to_string(kMaxFaces));
            return Die::Range(1, static_cast<std::int32_t>(*faces));
        }
        if (AtEnd())
            Fail("the number of faces is missing at position " + Position());
        Stray();
    }

    // {1,1,2,3}, {1..6}, {-1..1}: a repeated face weighs more.
    Die FaceList() {
        const std::size_t open = at_++;
        std::vector<std::int32_t> faces;
        SkipSpaces();
        if (Peek() == '}')
            Fail("the list of faces at position " + PositionOf(open) + " is empty");
        for (;;) {
            SkipSpaces();
            const std::size_t itemAt = at_;
            const std::int32_t low = FaceValue();
            SkipSpaces();
            std::int32_t high = low;
            if (text_.substr(at_, 2) == "..") {
                at_ += 2;
                SkipSpaces();
                high = FaceValue();
                if (high < low)
                    Fail("the range of faces at position " + PositionOf(itemAt) +
                         " runs backwards");
            }
            if (static_cast<std::int64_t>(faces.size()) + high - low + 1 > kMaxFaces)
                Fail("the list of faces at position " + PositionOf(open) + " has more than " +
                     std::to_string(kMaxFaces) + " faces");
            for (std::int64_t face = low; face <= high; ++face)
                faces.push_back(static_cast<std::int32_t>(face));
            SkipSpaces();
            if (Peek() == '}') {
                ++at_;
                return Die::Listed(faces);
            }
            if (Peek() != ',')
                AtEnd() ? Fail("the list of faces at position " + PositionOf(open) +
                               " is not closed with }")
                        : Stray();
            ++at_;
        }
    }

    std::int32_t FaceValue() {
        const std::size_t valueAt = at_;
        const std::optional<std::int64_t> value = SignedNumber();
        if (!value)
            AtEnd() ? Fail("a face is missing at position " + Position()) : Stray();
        if (*value < -kMaxFaceValue || *value > kMaxFaceValue)
            Fail("the face at position " + PositionOf(valueAt) + " must be from -" +
                 std::to_string(kMaxFaceValue) + " to " + std::to_string(kMaxFaceValue));
        return static_cast<std::int32_t>(*value);
    }

    std::optional<std::int64_t> SignedNumber() {
        const std::size_t before = at_;
        bool negative = false;
        if (Peek() == '-') {
            ++at_;
            negative = true;
        } else {
            negative = TakeMinusSign();
        }
        const std::optional<std::int64_t> number = Number();
        if (!number) {
            at_ = before;
            return std::nullopt;
        }
        return negative ? -*number : *number;
    }

    // A condition: =T, <T, <=T, >T, >=T, or a bare T for "equal". Nothing when neither a
    // comparison nor a number is there.
    std::optional<Condition> TakeCondition() {
        using Compare = Condition::Compare;
        struct Form {
            std::string_view text;
            Compare compare;
        };
        static constexpr Form kForms[] = {{">=", Compare::AtLeast},
                                          {"<=", Compare::AtMost},
                                          {">", Compare::Above},
                                          {"<", Compare::Below},
                                          {"=", Compare::Equal}};
        const auto form = std::find_if(std::begin(kForms), std::end(kForms), [&](const Form& f) {
            return text_.substr(at_, f.text.size()) == f.text;
        });
        if (form != std::end(kForms)) {
            at_ += form->text.size();
            SkipSpaces();
            return Condition{form->compare, RequiredSignedNumber()};
        }
        // A bare number follows at once and takes no sign: "3d6!-2" is 3d6! less 2.
        const std::size_t numberAt = at_;
        const std::optional<std::int64_t> number = Number();
        if (!number)
            return std::nullopt;
        return Condition{Compare::Equal, InInt32(*number, numberAt)};
    }

    // A whole number with an optional sign, where one must stand.
    std::int32_t RequiredSignedNumber() {
        const std::size_t numberAt = at_;
        const std::optional<std::int64_t> number = SignedNumber();
        if (!number)
            AtEnd() ? Fail("a number is missing at position " + Position()) : Stray();
        return InInt32(*number, numberAt);
    }

    std::int32_t InInt32(std::int64_t number, std::size_t at) const {
        if (number < std::numeric_limits<std::int32_t>::min() ||
            number > std::numeric_limits<std::int32_t>::max())
            Fail("the number at position " + PositionOf(at) + " is too large");
        return static_cast<std::int32_t>(number);
    }

    Condition RequiredCondition() {
        SkipSpaces();
        const std::optional<Condition> condition = TakeCondition();
        if (!condition)
            AtEnd() ? Fail("a number is missing at position " + Position()) : Stray();
        return *condition;
    }

    // Whether the text goes on with `word`, in any case.
    bool LooksAt(std::string_view word) const {
        if (text_.size() - at_ < word.size())
            return false;
        for (std::size_t i = 0; i < word.size(); ++i)
            if (std::tolower(static_cast<unsigned char>(text_[at_ + i])) != word[i])
                return false;
        return true;
    }
    bool IsLetter(char lower) const { return LooksAt(std::string_view(&lower, 1)); }

    // The modifiers after NdD, in any order, each kind once: a reroll (r, ro), an explosion (!,
    // !!, !p), clamps (min, max), a keep or drop (kh, k, kl, dh, dl, d) or a count of successes
    // (>=, >, <=, <, =) and then failures (f).
    void Modify(DiceTerm& term, std::size_t termAt) {
        std::optional<std::size_t> keepAt, countAt, failureAt, explosionAt;
        auto once = [&](bool given, const std::string& what, std::size_t at) {
            if (given)
                Fail("a second " + what + " at position " + PositionOf(at));
        };
        for (;;) {
            const std::size_t spaced = at_;
            SkipSpaces();
            const std::size_t at = at_;
            // Spaces then a die or a number: a + or - is missing, as between any two terms.
            if (at != spaced && (IsLetter('d') || IsDigit(Peek()))) {
                at_ = spaced;
                return;
            }
            if (LooksAt("ro") || IsLetter('r')) {
                once(term.reroll.has_value(), "reroll", at);
                const bool rerollOnce = LooksAt("ro");
                at_ += rerollOnce ? 2 : 1;
                term.reroll = Reroll{RequiredCondition(), rerollOnce};
                if (term.die.AllMeet(term.reroll->when))
                    Fail("the reroll at position " + PositionOf(at) + " meets every face");
            } else if (Peek() == '!') {
                once(term.explosion.has_value(), "explosion", at);
                explosionAt = at;
                Explosion explosion;
                explosion.depth = explodeDepth_;
                ++at_;
                if (Peek() == '!') {
                    ++at_;
                    explosion.kind = Explosion::Kind::Compound;
                } else if (IsLetter('p')) {
                    ++at_;
                    explosion.kind = Explosion::Kind::Penetrating;
                } else {
                    explosion.kind = Explosion::Kind::EachRoll;
                }
                explosion.when = TakeCondition();
                term.explosion = explosion;
            } else if (LooksAt("min") || LooksAt("max")) {
                const bool least = LooksAt("min");
                once(least ? term.atLeast.has_value() : term.atMost.has_value(),
                     least ? "min" : "max", at);
                at_ += 3;
                SkipSpaces();
                (least ? term.atLeast : term.atMost) = RequiredSignedNumber();
            } else if (IsLetter('k') || IsLetter('d')) {
                once(keepAt || countAt, "keep, drop or count", at);
                keepAt = at;
                Keep(term, at);
            } else if (Peek() == '>' || Peek() == '<' || Peek() == '=') {
                once(keepAt || countAt, "keep, drop or count", at);
                countAt = at;
                Count(term, RequiredCondition());
            } else if (IsLetter('f')) {
                once(failureAt.has_value(), "count of failures", at);
                failureAt = at;
                ++at_;
                term.failure = RequiredCondition();
            } else {
                at_ = spaced;
                break;
            }
        }
        if (failureAt && !countAt)
            Fail("the failures at position " + PositionOf(*failureAt) +
                 " need a count of successes before them, as in 10d10>=8f1");
        const bool eachRoll = term.explosion && term.explosion->kind == Explosion::Kind::EachRoll;
        if (eachRoll && keepAt)
            Fail("the dice at position " + PositionOf(termAt) +
                 " explode with ! and are kept: keep exploding dice with !!");
        if (eachRoll && countAt && (term.atLeast || term.atMost))
            Fail("the dice at position " + PositionOf(termAt) +
                 " are counted roll by roll with !, where no die's value is clamped: clamp "
                 "exploding dice counted with !!");
        if (term.explosion && RolledDie(term).AllMeet(ExplosionCondition(term)))
            Fail("the explosion at position " + PositionOf(*explosionAt) +
                 " meets every face: it would never stop");
    }

    // kh, k, kl, dh, dl or d and a number of dice.
    void Keep(DiceTerm& term, std::size_t at) {
        const bool keep = IsLetter('k');
        ++at_;
        bool lowest = !keep; // k alone keeps the highest; d alone drops the lowest
        if (IsLetter('h') || IsLetter('l')) {
            lowest = IsLetter('l');
            ++at_;
        }
        term.modifier = keep ? (lowest ? Modifier::KeepLowest : Modifier::KeepHighest)
                             : (lowest ? Modifier::DropLowest : Modifier::DropHighest);
        SkipSpaces();
        const std::optional<std::int64_t> number = Number();
        if (!number)
            AtEnd() ? Fail("a number is missing at position " + Position()) : Stray();
        const std::int64_t least = keep ? 1 : 0;
        const std::int64_t most = keep ? term.count : term.count - 1;
        if (*number < least || *number > most)
            Fail(std::string("the dice ") + (keep ? "kept" : "dropped") + " at position " +
                 PositionOf(at) + " must be from " + std::to_string(least) + " to " +
                 std::to_string(most));
        term.parameter = static_cast<std::int32_t>(*number);
    }

    static void Count(DiceTerm& term, const Condition& condition) {
        term.modifier = CountModifier(condition.compare);
        term.parameter = condition.value;
    }

    bool TakeMinusSign() {
        if (text_.substr(at_, kMinusSign.size()) != kMinusSign)
            return false;
        at_ += kMinusSign.size();
        return true;
    }

    std::string_view text_;
    std::int32_t explodeDepth_;
    std::size_t at_ = 0;
    std::vector<DiceTerm> terms_;
    std::vector<std::size_t> termStarts_; // where each of terms_ was written
    std::int64_t constant_ = 0;
    std::optional<std::size_t> constantAt_; // where the expression's first number was written
    std::vector<std::shared_ptr<const BraceGroup>> braces_;
    std::optional<std::size_t> groupAt_; // the group being read
};

} // namespace

DicePool ParsePool(std::string_view text, const DicePool& before, std::int32_t explodeDepth) {
    return Parser(text, explodeDepth).Parse(before);
}

} // namespace dorvanel
