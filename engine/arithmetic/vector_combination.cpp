// SPDX-License-Identifier: MIT
#include "vector_combination.h"

#include "floor_division.h"
#include "preconditions.h"
#include "vector_lanes.h"

#include <algorithm>
#include <limits>

#ifdef DORVANEL_VECTOR_LANES
#include <immintrin.h>
#endif

namespace dorvanel {

#ifdef DORVANEL_VECTOR_LANES
DORVANEL_WIDE_LANES_BEGIN
namespace {

constexpr std::size_t kLanes = 8;
constexpr std::int64_t kBase = kLimbBase;
constexpr int kFloor = _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC;

// Splits each lane's value into value = carry·10^9 + limb, the carry a double's estimate of
// value / 10^9 rounded down. For values exact in a double it is exact, and the limb lies in
// [0, 10^9); for larger ones it may be one off, and the limb a base outside. Either way the
// split is exact: only the limb's range depends on the estimate.
struct Split {
    __m512i carry;
    __m512i limb;
};

// Carries of a few units multiply by the base in 32 bits.
template <bool kSmallCarries> DORVANEL_WIDE_LANES inline Split SplitAtBase(__m512i value) {
    const __m512i base = _mm512_set1_epi64(kBase);
    const __m512i carry = _mm512_cvt_roundpd_epi64(
        _mm512_mul_pd(_mm512_cvtepi64_pd(value), _mm512_set1_pd(1.0 / kBase)), kFloor);
    return {carry, _mm512_sub_epi64(value, kSmallCarries ? _mm512_mul_epi32(carry, base)
                                                         : _mm512_mullo_epi64(carry, base))};
}

// Each lane's carry moved up one lane, the previous block's top carry coming in at the bottom.
DORVANEL_WIDE_LANES inline __m512i CarriedIn(__m512i carry, __m512i previous) {
    return _mm512_alignr_epi64(carry, previous, kLanes - 1);
}

DORVANEL_WIDE_LANES std::size_t Combine(std::uint32_t* sum, std::int64_t& carryOut,
                                        std::span<const ScaledCount> terms, std::size_t limbs) {
    const __m512i base = _mm512_set1_epi64(kBase);
    // A limb's sum, up to 2^63, carries up to about 2^33 into the next; once added, the limb
    // is within 2^34, exact in a double, and what is left to carry is a few units. Adding those
    // leaves a limb outside [0, 10^9) only where a carry would run on, which is rare and
    // settled afterwards one limb at a time.
    __m512i firstCarries = _mm512_setzero_si512();
    __m512i secondCarries = _mm512_setzero_si512();
    __mmask8 runsOn = 0;
    std::size_t i = 0;
    for (; i + kLanes <= limbs; i += kLanes) {
        __m512i value = _mm512_setzero_si512();
        for (const ScaledCount& term : terms) {
            const __m512i limb = _mm512_cvtepu32_epi64(
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(term.count.data() + i)));
            value = _mm512_add_epi64(value,
                                     _mm512_mul_epi32(limb, _mm512_set1_epi64(term.coefficient)));
        }
        const Split first = SplitAtBase<false>(value);
        const Split second =
            SplitAtBase<true>(_mm512_add_epi64(first.limb, CarriedIn(first.carry, firstCarries)));
        const __m512i limbsOut =
            _mm512_add_epi64(second.limb, CarriedIn(second.carry, secondCarries));
        runsOn |= _mm512_cmplt_epi64_mask(limbsOut, _mm512_setzero_si512()) |
                  _mm512_cmpge_epi64_mask(limbsOut, base);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(sum + i), _mm512_cvtepi64_epi32(limbsOut));
        firstCarries = first.carry;
        secondCarries = second.carry;
    }
    alignas(64) std::int64_t first[kLanes];
    alignas(64) std::int64_t second[kLanes];
    _mm512_store_si512(first, firstCarries);
    _mm512_store_si512(second, secondCarries);
    std::int64_t carry = first[kLanes - 1] + second[kLanes - 1];
    if (runsOn != 0) {
        // Limbs were stored as 32-bit values, within a base or two of [0, 10^9): below zero
        // they wrapped.
        std::int64_t running = 0;
        for (std::size_t j = 0; j < i; ++j) {
            const std::int64_t limb = static_cast<std::int32_t>(sum[j]) + running;
            running = FloorDivide(limb, kBase);
            sum[j] = static_cast<std::uint32_t>(limb - running * kBase);
        }
        carry += running;
    }
    carryOut = carry;
    return i;
}

// Whether the coefficients' magnitudes sum to at most kMostLaneCoefficients.
[[maybe_unused]] bool CoefficientsFit(std::span<const ScaledCount> terms) {
    std::uint64_t sum = 0;
    for (const ScaledCount& term : terms) {
        sum += term.coefficient < 0 ? 0 - static_cast<std::uint64_t>(term.coefficient)
                                    : static_cast<std::uint64_t>(term.coefficient);
        if (sum > kMostLaneCoefficients)
            return false;
    }
    return true;
}

} // namespace
DORVANEL_WIDE_LANES_END

bool VectorCombinationFits(std::span<const ScaledCount> terms) {
    if (!WideLanesInUse())
        return false;
    for (const ScaledCount& term : terms)
        if (term.coefficient < std::numeric_limits<std::int32_t>::min() ||
            term.coefficient > std::numeric_limits<std::int32_t>::max())
            return false;
    return true;
}

std::size_t CombineInLanes(std::uint32_t* sum, std::int64_t& carry,
                           std::span<const ScaledCount> terms, std::size_t limbs) {
    DORVANEL_EXPECTS(VectorCombinationFits(terms));
    DORVANEL_EXPECTS(CoefficientsFit(terms));
    DORVANEL_EXPECTS(std::all_of(terms.begin(), terms.end(), [&](const ScaledCount& term) {
        return term.count.size() >= limbs && Apart(sum, limbs, term.count.data(), limbs);
    }));
    return Combine(sum, carry, terms, limbs);
}

#else

bool VectorCombinationFits(std::span<const ScaledCount>) {
    return false;
}

std::size_t CombineInLanes(std::uint32_t*, std::int64_t& carry, std::span<const ScaledCount>,
                           std::size_t) {
    carry = 0;
    return 0;
}

#endif

} // namespace dorvanel
