// SPDX-License-Identifier: MIT
#include "limb_kernels.h"

#include "errors.h"
#include "floor_division.h"
#include "limb_pairs.h"
#include "preconditions.h"
#include "small_divider.h"
#include "stretch_remainders.h"
#include "vector_combination.h"
#include "vector_division.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <type_traits>
#include <utility>

namespace dorvanel {
namespace {

__extension__ typedef __int128 Int128;

constexpr std::uint64_t kBase = kLimbBase;
constexpr std::uint64_t kBaseSquared = kBase * kBase;

// Limb sums lie in (−2^63, 2^63); shifting by this multiple of the base makes them
// non-negative, so the carry is an unsigned division by a constant.
constexpr std::int64_t kCarryShift = std::int64_t{1} << 33;
constexpr std::uint64_t kSumShift = static_cast<std::uint64_t>(kCarryShift) * kBase;
// With the coefficients' magnitudes summing to at most this, a limb's sum and carry stay
// within what the shift covers; larger ones are summed in 128 bits.
constexpr std::uint64_t kMaxCoefficientSum = kMostLaneCoefficients;
// Counts shorter than this leave the lanes too little.
constexpr std::size_t kMinimumLaneLimbs = 16;

struct CarryingWriter {
    using Sum = std::int64_t;
    std::uint32_t* out;
    std::int64_t carry = 0;

    void Put(std::size_t i, std::int64_t sum) {
        const std::uint64_t shifted = static_cast<std::uint64_t>(sum + carry) + kSumShift;
        const std::uint64_t high = shifted / kBase;
        out[i] = static_cast<std::uint32_t>(shifted - high * kBase);
        carry = static_cast<std::int64_t>(high) - kCarryShift;
    }
};

struct WideCarryingWriter {
    using Sum = Int128;
    std::uint32_t* out;
    Int128 carry = 0;

    void Put(std::size_t i, Int128 sum) {
        const Int128 value = sum + carry;
        carry = FloorDivide<Int128>(value, kBase);
        out[i] = static_cast<std::uint32_t>(value - carry * kBase);
    }
};

// The sum at a limb every term reaches, for a number of terms fixed at compile time, so that
// it unrolls with every coefficient and pointer in a register.
template <std::size_t... kTerm> class FixedSum {
public:
    explicit FixedSum(std::span<const ScaledCount> terms)
        : coefficients_{terms[kTerm].coefficient...}, limbs_{terms[kTerm].count.data()...} {}
    std::int64_t operator()(std::size_t i) const {
        return (... + (coefficients_[kTerm] * limbs_[kTerm][i]));
    }

private:
    std::int64_t coefficients_[sizeof...(kTerm)];
    const std::uint32_t* limbs_[sizeof...(kTerm)];
};

// The same for any number of terms, in the writer's width.
template <typename Writer> class AnySum {
public:
    explicit AnySum(std::span<const ScaledCount> terms) : terms_(terms) {}
    typename Writer::Sum operator()(std::size_t i) const {
        typename Writer::Sum sum = 0;
        for (const ScaledCount& term : terms_)
            sum += static_cast<typename Writer::Sum>(term.coefficient) * term.count[i];
        return sum;
    }

private:
    std::span<const ScaledCount> terms_;
};

void CheckRoom(std::size_t length, std::size_t capacity) {
    if (length > capacity)
        throw InternalError("a sum of counts has no room for its " + std::to_string(length) +
                            " limbs");
}

// Limbs from `from` up to `length`, each the sum of the terms long enough to reach it.
template <typename Writer>
void PutWhereReached(Writer& writer, std::span<const ScaledCount> sorted, std::size_t from,
                     std::size_t length) {
    for (std::size_t i = from; i < length; ++i) {
        typename Writer::Sum sum = 0;
        for (std::size_t t = 0; t < sorted.size() && sorted[t].count.size() > i; ++t)
            sum += static_cast<typename Writer::Sum>(sorted[t].coefficient) * sorted[t].count[i];
        writer.Put(i, sum);
    }
}

// The carry out of the last limb, into limbs of its own; returns the sum's length. A negative
// sum would carry −1 for ever: the room given bounds it.
template <typename Writer>
std::size_t CarryBeyond(Writer& writer, std::size_t length, std::size_t capacity) {
    std::size_t i = length;
    for (; writer.carry != 0; ++i) {
        if (i == capacity)
            throw InternalError("a sum of counts that must be positive is negative or longer "
                                "than " +
                                std::to_string(capacity) + " limbs");
        writer.Put(i, 0);
    }
    return i;
}

// Terms longest first. The carry is a chain through every limb; two halves carried side by
// side take half the time, and the lower half's final carry is then added into the upper one.
// Writes the limbs up to the longest term's length; the writer returned holds what they carry.
template <typename Writer, typename CommonSum>
Writer SumSorted(const CommonSum commonSum, std::span<const ScaledCount> sorted,
                 std::uint32_t* out) {
    const std::size_t length = sorted.front().count.size();
    const std::size_t common = sorted.back().count.size();
    const std::size_t middle = common / 2;
    Writer low{out};
    Writer high{out};
    for (std::size_t k = 0; k < middle; ++k) {
        low.Put(k, commonSum(k));
        high.Put(middle + k, commonSum(middle + k));
    }
    if (common % 2 == 1)
        high.Put(common - 1, commonSum(common - 1));
    PutWhereReached(high, sorted, common, length);
    Writer joined{out, low.carry};
    for (std::size_t i = middle; joined.carry != 0 && i < length; ++i)
        joined.Put(i, out[i]);
    joined.carry += high.carry;
    return joined;
}

// The limbs every term reaches in vector lanes, the rest on one carry chain.
CarryingWriter SumSortedInLanes(std::span<const ScaledCount> sorted, std::uint32_t* out) {
    CarryingWriter writer{out};
    const std::size_t done = CombineInLanes(out, writer.carry, sorted, sorted.back().count.size());
    PutWhereReached(writer, sorted, done, sorted.front().count.size());
    return writer;
}

template <std::size_t... kTerm>
CarryingWriter SumFixed(std::index_sequence<kTerm...>, std::span<const ScaledCount> sorted,
                        std::uint32_t* out) {
    return SumSorted<CarryingWriter>(FixedSum<kTerm...>(sorted), sorted, out);
}

// The sum unrolls with every coefficient and pointer in a register for up to this many terms.
constexpr std::size_t kUnrolledTerms = 7;

// Unrolled for the number of terms there are, kLess + 1 of them; any number on one loop.
template <std::size_t... kLess>
CarryingWriter SumUnrolled(std::span<const ScaledCount> sorted, std::uint32_t* out,
                           std::index_sequence<kLess...>) {
    CarryingWriter writer{out};
    const bool unrolled =
        ((sorted.size() == kLess + 1 &&
          (writer = SumFixed(std::make_index_sequence<kLess + 1>(), sorted, out), true)) ||
         ...);
    if (!unrolled)
        writer = SumSorted<CarryingWriter>(AnySum<CarryingWriter>(sorted), sorted, out);
    return writer;
}

// Sums sorted terms by the fastest way their coefficients allow, and hands the writer holding
// the final carry to `finish`.
template <typename Finish>
std::size_t SumWith(std::span<const ScaledCount> sorted, std::uint64_t coefficientSum,
                    std::uint32_t* out, const Finish& finish) {
    if (coefficientSum > kMaxCoefficientSum) {
        WideCarryingWriter writer =
            SumSorted<WideCarryingWriter>(AnySum<WideCarryingWriter>(sorted), sorted, out);
        return finish(writer);
    }
    CarryingWriter writer =
        sorted.back().count.size() >= kMinimumLaneLimbs && VectorCombinationFits(sorted)
            ? SumSortedInLanes(sorted, out)
            : SumUnrolled(sorted, out, std::make_index_sequence<kUnrolledTerms>());
    return finish(writer);
}

// From the top, two limbs (18 digits) at a time. With 10^18 = Q·d + R, the pair r·10^18 + P
// divides as r·Q + (r·R + P) / d, and r·R + P stays below 2^63.
struct PairDivider {
    SmallDivider divider;
    std::uint64_t pairQuotient;
    std::uint64_t pairRemainder;

    explicit PairDivider(std::uint64_t d)
        : divider(d), pairQuotient(kBaseSquared / d), pairRemainder(kBaseSquared % d) {}

    // Returns the quotient of r·10^18 + pair and leaves its remainder in r.
    std::uint64_t Divide(std::uint64_t& r, std::uint64_t pair) const {
        std::uint64_t v = r * pairRemainder + pair;
        const std::uint64_t q = r * pairQuotient + divider.Divide(v);
        r = v;
        return q;
    }
    // The same for one limb.
    std::uint32_t DivideLimb(std::uint64_t& r, std::uint32_t limb) const {
        std::uint64_t v = r * kBase + limb;
        const auto q = static_cast<std::uint32_t>(divider.Divide(v));
        r = v;
        return q;
    }
};

// One chain down `limbs` limbs from remainder r, leaving the final remainder there.
void DivideStretch(std::uint32_t* quotient, const std::uint32_t* numerator, std::size_t limbs,
                   const PairDivider& divider, std::uint64_t& r) {
    std::size_t i = limbs;
    if (i % 2 == 1) {
        --i;
        quotient[i] = divider.DivideLimb(r, numerator[i]);
    }
    while (i > 0) {
        i -= 2;
        PutPair(quotient, i, divider.Divide(r, PairAt(numerator, i)));
    }
}

// Each step waits for the last one's remainder; chains over stretches of their own keep the
// multiplier busy. The remainder entering a stretch is what all limbs above it leave: each upper
// stretch's own value modulo d, found in 512-bit lanes or by a first chained pass, and these
// combine from the top down.
constexpr std::size_t kDivisionChains = 4;
constexpr std::size_t kMinimumChainedLimbs = 8 * kDivisionChains;
static_assert(kDivisionChains - 1 == kRemainderStretches);

// Every chain one pair at a time down its stretch of pairs, unrolled so that each remainder
// stays in a register. Without the quotient only the upper stretches' own remainders are
// wanted.
template <bool kWriteQuotient, std::size_t... kChain>
void ChainedSweep(const PairDivider& divider, const std::uint64_t* numerator, std::size_t stretch,
                  std::array<std::uint64_t, sizeof...(kChain)>& remainders, std::uint64_t* quotient,
                  std::index_sequence<kChain...>) {
    std::uint64_t r[] = {remainders[kChain]...};
    for (std::size_t i = stretch; i-- > 0;) {
        if constexpr (kWriteQuotient)
            ((quotient[kChain * stretch + i] =
                  divider.Divide(r[kChain], numerator[kChain * stretch + i])),
             ...);
        else
            ((kChain == 0 ? void()
                          : void(divider.Divide(r[kChain], numerator[kChain * stretch + i]))),
             ...);
    }
    remainders = {r[kChain]...};
}

// Pairs in each chain's stretch; the top one's limbs left over go first, on one chain.
std::size_t ChainStretch(std::size_t limbs) {
    return limbs / (2 * kDivisionChains);
}

// Whether the chains' remainders come from the 512-bit lanes: with them, the chains are faster
// than a chained pass of their own, and than the 256-bit lanes' division at every length.
bool LanesFindRemainders(std::size_t limbs, std::uint32_t divisor) {
    return limbs >= kMinimumChainedLimbs && StretchRemaindersFit(2 * ChainStretch(limbs), divisor);
}

std::uint64_t DivideInPairs(std::uint32_t* quotient, const std::uint32_t* numerator,
                            std::size_t limbs, const PairDivider& divider, std::uint64_t r) {
    if (limbs < kMinimumChainedLimbs) {
        DivideStretch(quotient, numerator, limbs, divider, r);
        return r;
    }
    // The chains read and write pairs, made from limbs and back in one pass each rather than
    // one multiplication each in every chain's step.
    const std::size_t stretch = ChainStretch(limbs);
    const std::size_t pairs = kDivisionChains * stretch;
    DivideStretch(quotient + 2 * pairs, numerator + 2 * pairs, limbs - 2 * pairs, divider, r);
    // The working space of this thread's divisions, kept between them.
    thread_local std::vector<std::uint64_t> numeratorPairs;
    thread_local std::vector<std::uint64_t> quotientPairs;
    if (numeratorPairs.size() < pairs) {
        numeratorPairs.resize(pairs);
        quotientPairs.resize(pairs);
    }
    ToPairs(numeratorPairs.data(), numerator, pairs);

    std::array<std::uint64_t, kDivisionChains> own{};
    const auto divisor = static_cast<std::uint32_t>(divider.divider.d);
    if (LanesFindRemainders(limbs, divisor))
        StretchRemainders(own.data() + 1, numerator + 2 * stretch, 2 * stretch, divisor);
    else
        ChainedSweep<false>(divider, numeratorPairs.data(), stretch, own, nullptr,
                            std::make_index_sequence<kDivisionChains>());
    std::array<std::uint64_t, kDivisionChains> entering = own;
    EnteringRemainders(divider.divider, divider.divider.PowMod(divider.pairRemainder, stretch), r,
                       entering.data(), kDivisionChains);
    std::array<std::uint64_t, kDivisionChains> ended = entering;
    ChainedSweep<true>(divider, numeratorPairs.data(), stretch, ended, quotientPairs.data(),
                       std::make_index_sequence<kDivisionChains>());
    // Each chain must end where the one below began: a quotient is never pieced together from
    // remainders that disagree.
    for (std::size_t c = kDivisionChains - 1; c > 0; --c)
        if (ended[c] != entering[c - 1])
            throw InternalError("a division's stretches left " + std::to_string(ended[c]) +
                                " where " + std::to_string(entering[c - 1]) + " was taken");
    FromPairs(quotient, quotientPairs.data(), pairs);
    return ended[0];
}

// Whether `limbs` limbs from sum share none with any term's count.
[[maybe_unused]] bool ApartFromTerms(const std::uint32_t* sum, std::size_t limbs,
                                     std::span<const ScaledCount> terms) {
    return std::all_of(terms.begin(), terms.end(), [&](const ScaledCount& term) {
        return Apart(sum, limbs, term.count.data(), term.count.size());
    });
}

bool IsZero(LimbSpan count) {
    return count.empty() || (count.size() == 1 && count[0] == 0);
}

} // namespace

std::uint64_t LimbCombiner::Sort(std::span<const ScaledCount> terms, std::size_t limbs) {
    sorted_.clear();
    std::uint64_t coefficientSum = 0;
    for (ScaledCount term : terms) {
        term.count = term.count.first(std::min(term.count.size(), limbs));
        if (term.coefficient == 0 || IsZero(term.count))
            continue;
        sorted_.push_back(term);
        const std::uint64_t magnitude = term.coefficient < 0
                                            ? 0 - static_cast<std::uint64_t>(term.coefficient)
                                            : static_cast<std::uint64_t>(term.coefficient);
        coefficientSum = std::min(coefficientSum + magnitude, ~std::uint64_t{0} >> 1);
    }
    // Few terms, mostly in order already: an insertion sort, without the allocations of a
    // stable sort.
    for (std::size_t i = 1; i < sorted_.size(); ++i)
        for (std::size_t j = i; j > 0 && sorted_[j - 1].count.size() < sorted_[j].count.size(); --j)
            std::swap(sorted_[j - 1], sorted_[j]);
    return coefficientSum;
}

std::size_t LimbCombiner::Combine(std::uint32_t* sum, std::size_t capacity,
                                  std::span<const ScaledCount> terms) {
    DORVANEL_EXPECTS(ApartFromTerms(sum, capacity, terms));
    const std::uint64_t coefficientSum = Sort(terms, ~std::size_t{0});
    if (sorted_.empty()) {
        if (capacity == 0)
            throw InternalError("a sum of counts has no room");
        sum[0] = 0;
        return 1;
    }
    const std::size_t length = sorted_.front().count.size();
    CheckRoom(length, capacity);
    return SumWith(sorted_, coefficientSum, sum,
                   [&](auto& writer) { return CarryBeyond(writer, length, capacity); });
}

std::int64_t LimbCombiner::CombineLow(std::uint32_t* sum, std::size_t limbs,
                                      std::span<const ScaledCount> terms) {
    DORVANEL_EXPECTS(ApartFromTerms(sum, limbs, terms));
    const std::uint64_t coefficientSum = Sort(terms, limbs);
    const std::size_t length = sorted_.empty() ? 0 : sorted_.front().count.size();
    std::int64_t carry = 0;
    if (!sorted_.empty())
        SumWith(sorted_, coefficientSum, sum, [&](auto& writer) {
            for (std::size_t i = length; i < limbs; ++i)
                writer.Put(i, 0);
            // What limbs below 10^9 carry stays below the coefficients' sum.
            if constexpr (std::is_same_v<decltype(writer.carry), Int128>)
                if (writer.carry != static_cast<std::int64_t>(writer.carry))
                    throw InternalError("a sum of counts carries beyond 64 bits");
            carry = static_cast<std::int64_t>(writer.carry);
            return limbs;
        });
    else
        std::fill(sum, sum + limbs, 0);
    return carry;
}

std::uint64_t DivideFromTop(std::uint32_t* quotient, const std::uint32_t* numerator,
                            std::size_t limbs, std::uint32_t divisor, std::uint32_t entering) {
    DORVANEL_EXPECTS(divisor >= 1 && divisor < (std::uint32_t{1} << 31));
    DORVANEL_EXPECTS(Apart(quotient, limbs, numerator, limbs));
    if (entering >= divisor)
        throw InternalError("a division by " + std::to_string(divisor) + " entered with " +
                            std::to_string(entering));
    if (VectorDivisionFits(limbs, divisor) && !LanesFindRemainders(limbs, divisor)) {
        // The limbs above the lanes' whole stretches go first, in pairs.
        const std::size_t inLanes = LimbsInLanes(limbs);
        std::uint64_t above = entering;
        DivideStretch(quotient + inLanes, numerator + inLanes, limbs - inLanes,
                      PairDivider(divisor), above);
        return DivideInLanes(quotient, numerator, inLanes, divisor,
                             static_cast<std::uint32_t>(above));
    }
    if (divisor == 1) {
        std::memcpy(quotient, numerator, limbs * sizeof(std::uint32_t));
        return 0;
    }
    return DivideInPairs(quotient, numerator, limbs, PairDivider(divisor), entering);
}

std::size_t DivideExactly(std::uint32_t* quotient, const std::uint32_t* numerator,
                          std::size_t limbs, std::uint32_t divisor, std::uint32_t entering) {
    const std::uint64_t remainder = DivideFromTop(quotient, numerator, limbs, divisor, entering);
    if (remainder != 0)
        throw InternalError("a division by " + std::to_string(divisor) +
                            " that must be exact left " + std::to_string(remainder));
    while (limbs > 1 && quotient[limbs - 1] == 0)
        --limbs;
    return limbs;
}

} // namespace dorvanel
