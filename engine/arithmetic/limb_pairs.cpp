// SPDX-License-Identifier: MIT
#include "limb_pairs.h"

#include "preconditions.h"
#include "vector_lanes.h"

#ifdef DORVANEL_VECTOR_LANES
#include <immintrin.h>
#endif

namespace dorvanel {
namespace {

#ifdef DORVANEL_VECTOR_LANES
constexpr std::size_t kLanes = 8;

DORVANEL_WIDE_LANES_BEGIN

// Two limbs side by side are one 64-bit lane: the upper one in its high half.
DORVANEL_WIDE_LANES std::size_t ToPairsInLanes(const std::uint32_t* limbs, std::size_t count,
                                               std::uint64_t* pairs) {
    const __m512i base = _mm512_set1_epi64(kLimbBase);
    const __m512i lowHalf = _mm512_set1_epi64(0xFFFF'FFFF);
    std::size_t k = 0;
    for (; k + kLanes <= count; k += kLanes) {
        const __m512i lanes = _mm512_loadu_si512(limbs + 2 * k);
        _mm512_storeu_si512(pairs + k,
                            _mm512_add_epi64(_mm512_mul_epu32(_mm512_srli_epi64(lanes, 32), base),
                                             _mm512_and_si512(lanes, lowHalf)));
    }
    return k;
}

// A double estimates the upper limb to within one; the lower one's sign settles it.
DORVANEL_WIDE_LANES std::size_t FromPairsInLanes(const std::uint64_t* pairs, std::size_t count,
                                                 std::uint32_t* limbs) {
    const __m512i base = _mm512_set1_epi64(kLimbBase);
    const __m512i one = _mm512_set1_epi64(1);
    std::size_t k = 0;
    for (; k + kLanes <= count; k += kLanes) {
        const __m512i pair = _mm512_loadu_si512(pairs + k);
        __m512i high = _mm512_cvt_roundpd_epi64(
            _mm512_mul_pd(_mm512_cvtepu64_pd(pair), _mm512_set1_pd(1.0 / kLimbBase)),
            _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
        __m512i low = _mm512_sub_epi64(pair, _mm512_mullo_epi64(high, base));
        __mmask8 off = _mm512_cmplt_epi64_mask(low, _mm512_setzero_si512());
        low = _mm512_mask_add_epi64(low, off, low, base);
        high = _mm512_mask_sub_epi64(high, off, high, one);
        off = _mm512_cmpge_epi64_mask(low, base);
        low = _mm512_mask_sub_epi64(low, off, low, base);
        high = _mm512_mask_add_epi64(high, off, high, one);
        _mm512_storeu_si512(limbs + 2 * k, _mm512_or_si512(low, _mm512_slli_epi64(high, 32)));
    }
    return k;
}

DORVANEL_WIDE_LANES_END
#endif

} // namespace

void ToPairs(std::uint64_t* pairs, const std::uint32_t* limbs, std::size_t count) {
    DORVANEL_EXPECTS(Apart(pairs, count, limbs, 2 * count));
    std::size_t k = 0;
#ifdef DORVANEL_VECTOR_LANES
    if (WideLanesInUse())
        k = ToPairsInLanes(limbs, count, pairs);
#endif
    for (; k < count; ++k)
        pairs[k] = PairAt(limbs, 2 * k);
}

void FromPairs(std::uint32_t* limbs, const std::uint64_t* pairs, std::size_t count) {
    DORVANEL_EXPECTS(Apart(limbs, 2 * count, pairs, count));
    std::size_t k = 0;
#ifdef DORVANEL_VECTOR_LANES
    if (WideLanesInUse())
        k = FromPairsInLanes(pairs, count, limbs);
#endif
    for (; k < count; ++k)
        PutPair(limbs, 2 * k, pairs[k]);
}

} // namespace dorvanel
