// SPDX-License-Identifier: MIT
// Dice notation, as common dice rollers write it: terms joined by + and -, spaces anywhere
// between them, an optional sign before the first. A term is NdD (N dice of D faces; N left
// out means 1; d or D; d% is d100; dF a Fudge die of faces −1, 0, +1) or a whole number.
#pragma once

#include "dice_pool.h"

#include <cstdint>
#include <stdexcept>
#include <string_view>

namespace dorvanel {

inline constexpr std::int32_t kMaxDiceInTerm = 10000;
inline constexpr std::int32_t kMaxFaces = 1000;
inline constexpr std::int64_t kMaxDiceInAll = 10000;

// A text that is not a pool, or a pool beyond the limits; the message says what and where.
class NotationError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// The pool of `before`'s dice followed by the text's terms (the text's alone by default). An
// empty text, a malformed one, N or D outside 1 … 10000 and 1 … 1000, more than 10000 dice
// summed or 10000 counted for successes in all, or totals outside the 32-bit signed range
// throw NotationError: "3d6 + 2x8: 'x' at position 7 is not part of a die or a number",
// positions counted from 0.
DicePool ParsePool(std::string_view text, const DicePool& before = {});

} // namespace dorvanel
