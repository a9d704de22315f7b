// SPDX-License-Identifier: MIT
#include "stretch_remainders.h"

#include "decimal.h"
#include "preconditions.h"
#include "small_divider.h"
#include "vector_lanes.h"

#include <utility>

#ifdef DORVANEL_VECTOR_LANES
#include <immintrin.h>
#endif

namespace dorvanel {

#ifdef DORVANEL_VECTOR_LANES
namespace {

constexpr std::size_t kLanes = 8;
// Remainders are kept balanced, within d/2 + 4 either side of 0: a product of two and a limb
// then stays below 2^53, exact in doubles, for any divisor below this.
constexpr std::uint32_t kDivisorLimit = std::uint32_t{1} << 26;
// Below this the lanes' setting up costs more than a chained pass.
constexpr std::size_t kMinimumStretchLimbs = 16;

DORVANEL_WIDE_LANES_BEGIN

// Adding this and taking it away again rounds a double below 2^51 in magnitude to the nearest
// whole number.
constexpr double kRounding = 3.0 * (std::uint64_t{1} << 51);

struct Modulus {
    __m512d d;
    __m512d inverse;
    __m512d rounding;
};

// v − d·q for q the nearest whole number to v/d, or one off where v/d lies within 2^−23 of a
// half: exact, since v and the result are whole numbers below 2^53.
DORVANEL_WIDE_LANES inline __m512d Reduce(const Modulus& m, __m512d v) {
    const __m512d q = _mm512_sub_pd(_mm512_fmadd_pd(v, m.inverse, m.rounding), m.rounding);
    return _mm512_fnmadd_pd(q, m.d, v);
}

// Eight limbs, one a lane; those at or past `end` read as 0 and are not touched.
DORVANEL_WIDE_LANES inline __m512d Block(const std::uint32_t* limbs, std::size_t from,
                                         std::size_t end) {
    if (from + kLanes <= end)
        return _mm512_cvtepu32_pd(
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(limbs + from)));
    const std::size_t present = from < end ? end - from : 0;
    const auto mask = static_cast<__mmask16>((1u << present) - 1);
    return _mm512_cvtepu32_pd(_mm512_castsi512_si256(_mm512_maskz_loadu_epi32(mask, limbs + from)));
}

DORVANEL_WIDE_LANES inline __m512d MulMod(const Modulus& m, __m512d a, __m512d b) {
    return Reduce(m, _mm512_mul_pd(a, b));
}

// One block further down a chain: acc·step + block.
DORVANEL_WIDE_LANES inline __m512d Horner(const Modulus& m, __m512d acc, __m512d step,
                                          __m512d block) {
    return Reduce(m, _mm512_fmadd_pd(acc, step, block));
}

// Σ_t lane_t·weight_t modulo d, in [0, d): eight balanced remainders add up exactly, and
// reduce to one within d/2 of 0.
DORVANEL_WIDE_LANES inline std::uint64_t Settle(const Modulus& m, __m512d lanes, __m512d weight,
                                                std::uint32_t divisor) {
    const __m512d terms = MulMod(m, Reduce(m, lanes), weight);
    const double sum = _mm512_cvtsd_f64(Reduce(m, _mm512_set1_pd(_mm512_reduce_add_pd(terms))));
    return static_cast<std::uint64_t>(sum < 0 ? sum + divisor : sum);
}

// Lane t of each stretch takes its limbs 8j + t. Two chains a stretch, over the even blocks j
// and the odd ones, each from the top with a step of 10^(9·16): that hides the chains' latency.
// Then a stretch is Σ_t (odd_t·10^(9·8) + even_t)·10^(9·t). The powers of 10^9 come from a few
// squarings in the same lanes, with no integer division on the way. Every stretch is written
// out, so that its chains stay in registers.
template <std::size_t... kStretch>
DORVANEL_WIDE_LANES void Remainders(const std::uint32_t* limbs, std::size_t stretchLimbs,
                                    std::uint32_t divisor, std::uint64_t* remainders,
                                    std::index_sequence<kStretch...>) {
    const Modulus m{_mm512_set1_pd(divisor), _mm512_set1_pd(1.0 / divisor),
                    _mm512_set1_pd(kRounding)};
    const __m512d one = _mm512_set1_pd(1.0);
    const __m512d base = Reduce(m, _mm512_set1_pd(static_cast<double>(kLimbBase)));
    const __m512d twoLimbs = MulMod(m, base, base);
    const __m512d fourLimbs = MulMod(m, twoLimbs, twoLimbs);
    const __m512d eightLimbs = MulMod(m, fourLimbs, fourLimbs);
    const __m512d sixteenLimbs = MulMod(m, eightLimbs, eightLimbs);
    // Lane t: 10^(9·t), from the bits of t.
    const __m512d lowBits =
        MulMod(m, _mm512_mask_blend_pd(0xAA, one, base), _mm512_mask_blend_pd(0xCC, one, twoLimbs));
    const __m512d weight = MulMod(m, lowBits, _mm512_mask_blend_pd(0xF0, one, fourLimbs));

    const std::uint32_t* stretch[] = {limbs + kStretch * stretchLimbs...};
    const std::size_t blockPairs = (stretchLimbs + 2 * kLanes - 1) / (2 * kLanes);
    std::size_t from = (blockPairs - 1) * 2 * kLanes;
    __m512d even[] = {Reduce(m, Block(stretch[kStretch], from, stretchLimbs))...};
    __m512d odd[] = {Reduce(m, Block(stretch[kStretch], from + kLanes, stretchLimbs))...};
    while (from > 0) {
        from -= 2 * kLanes;
        ((even[kStretch] =
              Horner(m, even[kStretch], sixteenLimbs, Block(stretch[kStretch] + from, 0, kLanes))),
         ...);
        ((odd[kStretch] = Horner(m, odd[kStretch], sixteenLimbs,
                                 Block(stretch[kStretch] + from, kLanes, 2 * kLanes))),
         ...);
    }
    ((remainders[kStretch] =
          Settle(m, _mm512_fmadd_pd(odd[kStretch], eightLimbs, even[kStretch]), weight, divisor)),
     ...);
}

DORVANEL_WIDE_LANES_END

} // namespace

bool StretchRemaindersFit(std::size_t stretchLimbs, std::uint32_t divisor) {
    return stretchLimbs >= kMinimumStretchLimbs && divisor >= 2 && divisor < kDivisorLimit &&
           WideLanesInUse();
}

void StretchRemainders(std::uint64_t* remainders, const std::uint32_t* limbs,
                       std::size_t stretchLimbs, std::uint32_t divisor) {
    DORVANEL_EXPECTS(StretchRemaindersFit(stretchLimbs, divisor));
    Remainders(limbs, stretchLimbs, divisor, remainders,
               std::make_index_sequence<kRemainderStretches>());
}

#else

bool StretchRemaindersFit(std::size_t, std::uint32_t) {
    return false;
}

void StretchRemainders(std::uint64_t* remainders, const std::uint32_t* limbs,
                       std::size_t stretchLimbs, std::uint32_t divisor) {
    const SmallDivider divider(divisor);
    for (std::size_t s = 0; s < kRemainderStretches; ++s) {
        std::uint64_t r = 0;
        for (std::size_t i = stretchLimbs; i-- > 0;) {
            r = r * kLimbBase + limbs[s * stretchLimbs + i];
            divider.Divide(r);
        }
        remainders[s] = r;
    }
}

#endif

} // namespace dorvanel
