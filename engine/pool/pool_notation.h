// SPDX-License-Identifier: MIT
// Dice notation, as common dice rollers write it, in any case: terms joined by + and -, spaces
// anywhere between tokens, an optional sign before the first. A term is a whole number or NdD: N
// dice (1 when left out) of D faces, d% for d100, dF for faces −1, 0, +1, d{0,0,1,1,2} or
// d{-1..1} for faces as listed; then, in any order and each once, a reroll (rC, or roC once), an
// explosion (!C, !!C or !pC, C the highest face when left out), clamps (minT, maxT), a keep or
// drop (khK, kK, klK, dhK, dlK, dK) or a count of the dice meeting C, and after a count the
// failures fC. C is T, =T, <T, <=T, >T or >=T.
#pragma once

#include "dice_pool.h"

#include <cstdint>
#include <stdexcept>
#include <string_view>

namespace dorvanel {

inline constexpr std::int32_t kMaxDiceInTerm = 10000;
inline constexpr std::int32_t kMaxFaces = 1000;
inline constexpr std::int64_t kMaxDiceInAll = 10000;
inline constexpr std::int32_t kDefaultExplodeDepth = 10;
inline constexpr std::int32_t kMaxExplodeDepth = 100;

// A text that is not a pool, or a pool beyond the limits; the message says what and where.
class NotationError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// The pool of `before`'s dice followed by the text's terms (the text's alone by default), each
// exploding die making at most `explodeDepth` extra rolls. An empty text, a malformed one, N or
// D outside 1 … 10000 and 1 … 1000, more than 10000 dice summed or 10000 counted for successes
// in all, a die whose rolls 64 bits do not count, or totals outside the 32-bit signed range
// throw NotationError: "3d6 + 2x8: 'x' at position 8 is not part of a die or a number",
// positions counted from 1.
DicePool ParsePool(std::string_view text, const DicePool& before = {},
                   std::int32_t explodeDepth = kDefaultExplodeDepth);

} // namespace dorvanel
