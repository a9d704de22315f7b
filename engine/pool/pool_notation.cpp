// SPDX-License-Identifier: MIT
#include "pool_notation.h"

#include "errors.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace dorvanel {
namespace {

// Larger numbers are out of every range; digits beyond stop adding.
constexpr std::int64_t kNumberCap = std::int64_t{1} << 40;

// The typographic minus sign, which texts pasted from elsewhere use.
constexpr std::string_view kMinusSign = "\xE2\x88\x92";

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {}

    DicePool Parse(const DicePool& before) {
        SkipSpaces();
        if (AtEnd())
            Fail("no dice or number given");
        bool subtracted = TakeSign().value_or(false);
        for (;;) {
            SkipSpaces();
            Term(subtracted);
            SkipSpaces();
            if (AtEnd())
                break;
            const std::optional<bool> sign = TakeSign();
            if (!sign) {
                if (IsDigit(Peek()) || Peek() == 'd' || Peek() == 'D')
                    Fail("+ or - missing at position " + Position());
                Stray();
            }
            subtracted = *sign;
            SkipSpaces();
            if (AtEnd())
                Fail("a term is missing at position " + Position());
        }
        DicePool pool;
        try {
            pool = before.Plus(DicePool(terms_, constant_));
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
    bool AtEnd() const { return at_ >= text_.size(); }
    char Peek() const { return AtEnd() ? '\0' : text_[at_]; }
    static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

    // Positions count characters, not the bytes of their encoding.
    std::string Position() const { return PositionOf(at_); }
    std::string PositionOf(std::size_t byte) const {
        std::size_t characters = 0;
        for (std::size_t i = 0; i < byte; ++i)
            characters += (static_cast<unsigned char>(text_[i]) & 0xC0) != 0x80;
        return std::to_string(characters);
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
        if (Peek() != 'd' && Peek() != 'D') {
            if (!number)
                AtEnd() ? Fail("a term is missing at position " + Position()) : Stray();
            if (*number > std::numeric_limits<std::int32_t>::max())
                Fail("the number at position " + PositionOf(start) + " is too large");
            constant_ += subtracted ? -*number : *number;
            return;
        }
        const std::int64_t count = number.value_or(1);
        if (count < 1 || count > kMaxDiceInTerm)
            Fail("the number of dice at position " + PositionOf(start) + " must be from 1 to " +
                 std::to_string(kMaxDiceInTerm));
        ++at_; // the d
        DiceTerm term{static_cast<std::int32_t>(count), 0, false, subtracted};
        const std::size_t facesAt = at_;
        if (Peek() == '%') {
            ++at_;
            term.faces = 100;
        } else if (Peek() == 'F' || Peek() == 'f') {
            ++at_;
            term.fudge = true;
            term.faces = 3;
        } else if (const std::optional<std::int64_t> faces = Number()) {
            if (*faces < 1 || *faces > kMaxFaces)
                Fail("the number of faces at position " + PositionOf(facesAt) +
                     " must be from 1 to " + std::to_string(kMaxFaces));
            term.faces = static_cast<std::int32_t>(*faces);
        } else if (AtEnd()) {
            Fail("the number of faces is missing at position " + Position());
        } else {
            Stray();
        }
        Modify(term);
        const char next = Peek();
        if (term.modifier != Modifier::None &&
            (next == 'k' || next == 'd' || next == '>' || next == '<' || next == '='))
            Fail("a group takes one modifier: '" + std::string(1, next) + "' at position " +
                 Position() + " follows one");
        terms_.push_back(term);
    }

    // An optional modifier after NdD: kh, k, kl, dh or dl and a number of dice; >=, >, <=, <
    // or = and a face.
    void Modify(DiceTerm& term) {
        const std::size_t start = at_;
        const std::string_view rest = text_.substr(at_);
        struct Form {
            std::string_view text;
            Modifier modifier;
        };
        static constexpr Form kForms[] = {
            {"kh", Modifier::KeepHighest}, {"kl", Modifier::KeepLowest},
            {"k", Modifier::KeepHighest},  {"dh", Modifier::DropHighest},
            {"dl", Modifier::DropLowest},  {">=", Modifier::AtLeast},
            {">", Modifier::Above},        {"<=", Modifier::AtMost},
            {"<", Modifier::Below},        {"=", Modifier::Equal}};
        const auto form = std::find_if(std::begin(kForms), std::end(kForms), [&](const Form& f) {
            return rest.substr(0, f.text.size()) == f.text;
        });
        if (form == std::end(kForms))
            return;
        at_ += form->text.size();
        term.modifier = form->modifier;
        const std::size_t numberAt = at_;
        const bool keeps = form->text[0] == 'k' || form->text[0] == 'd';
        bool negative = false;
        if (!keeps && Peek() == '-') {
            ++at_;
            negative = true;
        } else if (!keeps) {
            negative = TakeMinusSign();
        }
        const std::optional<std::int64_t> number = Number();
        if (!number)
            AtEnd() ? Fail("a number is missing at position " + Position()) : Stray();
        if (!keeps) {
            if (*number > std::numeric_limits<std::int32_t>::max())
                Fail("the face at position " + PositionOf(numberAt) + " is too large");
            term.parameter = static_cast<std::int32_t>(negative ? -*number : *number);
            return;
        }
        const bool keep = form->text[0] == 'k';
        const std::int64_t least = keep ? 1 : 0;
        const std::int64_t most = keep ? term.count : term.count - 1;
        if (*number < least || *number > most)
            Fail(std::string("the dice ") + (keep ? "kept" : "dropped") + " at position " +
                 PositionOf(start) + " must be from " + std::to_string(least) + " to " +
                 std::to_string(most));
        term.parameter = static_cast<std::int32_t>(*number);
    }

    bool TakeMinusSign() {
        if (text_.substr(at_, kMinusSign.size()) != kMinusSign)
            return false;
        at_ += kMinusSign.size();
        return true;
    }

    std::string_view text_;
    std::size_t at_ = 0;
    std::vector<DiceTerm> terms_;
    std::int64_t constant_ = 0;
};

} // namespace

DicePool ParsePool(std::string_view text, const DicePool& before) {
    return Parser(text).Parse(before);
}

} // namespace dorvanel
