// SPDX-License-Identifier: MIT
#include "vector_division.h"

#include "decimal.h"
#include "preconditions.h"
#include "small_divider.h"
#include "stretch_remainders.h"
#include "vector_lanes.h"

#ifdef DORVANEL_VECTOR_LANES
#include <immintrin.h>
#endif

namespace dorvanel {

#ifdef DORVANEL_VECTOR_LANES
namespace {

constexpr std::uint64_t kBase = kLimbBase;

// Four groups of eight chains: enough independent work to hide each step's latency.
constexpr std::size_t kGroups = 4;
constexpr std::size_t kLanes = 8;
constexpr std::size_t kChains = kGroups * kLanes;
// Limbs move between memory and the lanes in blocks of eight per chain, through an 8 × 8
// transpose.
constexpr std::size_t kBlock = 8;
// Shorter numbers leave too little to each chain.
constexpr std::size_t kMinimumLimbs = 2 * kBlock * kChains;

// Rows of eight 32-bit values become columns.
DORVANEL_LANES inline void Transpose(__m256i r[kBlock]) {
    const __m256i t0 = _mm256_unpacklo_epi32(r[0], r[1]), t1 = _mm256_unpackhi_epi32(r[0], r[1]);
    const __m256i t2 = _mm256_unpacklo_epi32(r[2], r[3]), t3 = _mm256_unpackhi_epi32(r[2], r[3]);
    const __m256i t4 = _mm256_unpacklo_epi32(r[4], r[5]), t5 = _mm256_unpackhi_epi32(r[4], r[5]);
    const __m256i t6 = _mm256_unpacklo_epi32(r[6], r[7]), t7 = _mm256_unpackhi_epi32(r[6], r[7]);
    const __m256i u0 = _mm256_unpacklo_epi64(t0, t2), u1 = _mm256_unpackhi_epi64(t0, t2);
    const __m256i u2 = _mm256_unpacklo_epi64(t1, t3), u3 = _mm256_unpackhi_epi64(t1, t3);
    const __m256i u4 = _mm256_unpacklo_epi64(t4, t6), u5 = _mm256_unpackhi_epi64(t4, t6);
    const __m256i u6 = _mm256_unpacklo_epi64(t5, t7), u7 = _mm256_unpackhi_epi64(t5, t7);
    r[0] = _mm256_permute2x128_si256(u0, u4, 0x20);
    r[1] = _mm256_permute2x128_si256(u1, u5, 0x20);
    r[2] = _mm256_permute2x128_si256(u2, u6, 0x20);
    r[3] = _mm256_permute2x128_si256(u3, u7, 0x20);
    r[4] = _mm256_permute2x128_si256(u0, u4, 0x31);
    r[5] = _mm256_permute2x128_si256(u1, u5, 0x31);
    r[6] = _mm256_permute2x128_si256(u2, u6, 0x31);
    r[7] = _mm256_permute2x128_si256(u3, u7, 0x31);
}

struct LaneConstants {
    __m256d baseOverD;
    __m256d inverseD;
    __m256i base;
    __m256i d;
    __m256i dMinusOne;
};

// One limb of eight chains: (r·10^9 + limb) / d. The quotient is below 10^9, so doubles
// estimate it to within one; the remainder, below 2^31 either side, is then exact in 32-bit
// arithmetic and settles it.
DORVANEL_LANES inline __m256i Step(const LaneConstants& k, __m256i& r, __m256i limb) {
    const __m256d rLow = _mm256_cvtepi32_pd(_mm256_castsi256_si128(r));
    const __m256d rHigh = _mm256_cvtepi32_pd(_mm256_extracti128_si256(r, 1));
    const __m256d limbLow = _mm256_cvtepi32_pd(_mm256_castsi256_si128(limb));
    const __m256d limbHigh = _mm256_cvtepi32_pd(_mm256_extracti128_si256(limb, 1));
    const __m128i qLow =
        _mm256_cvttpd_epi32(_mm256_fmadd_pd(rLow, k.baseOverD, _mm256_mul_pd(limbLow, k.inverseD)));
    const __m128i qHigh = _mm256_cvttpd_epi32(
        _mm256_fmadd_pd(rHigh, k.baseOverD, _mm256_mul_pd(limbHigh, k.inverseD)));
    __m256i q = _mm256_set_m128i(qHigh, qLow);
    __m256i rest = _mm256_sub_epi32(_mm256_add_epi32(_mm256_mullo_epi32(r, k.base), limb),
                                    _mm256_mullo_epi32(q, k.d));
    const __m256i under = _mm256_cmpgt_epi32(_mm256_setzero_si256(), rest);
    rest = _mm256_add_epi32(rest, _mm256_and_si256(under, k.d));
    q = _mm256_add_epi32(q, under);
    const __m256i over = _mm256_cmpgt_epi32(rest, k.dMinusOne);
    rest = _mm256_sub_epi32(rest, _mm256_and_si256(over, k.d));
    q = _mm256_sub_epi32(q, over);
    r = rest;
    return q;
}

// Works the top `steps` limbs of the block of eight below `top` in every chain's stretch, with
// the remainders in r; writes their quotient limbs when asked to. The block's other limbs are
// written too, with values the blocks below replace.
template <bool kWriteQuotient>
DORVANEL_LANES void SweepBlock(const LaneConstants& k, const std::uint32_t* numerator,
                               std::size_t stretch, std::size_t top, std::size_t steps,
                               __m256i r[kGroups], std::uint32_t* quotient) {
    __m256i rows[kGroups][kBlock];
    for (std::size_t g = 0; g < kGroups; ++g) {
        for (std::size_t lane = 0; lane < kLanes; ++lane)
            rows[g][lane] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(
                numerator + (g * kLanes + lane) * stretch + top - kBlock));
        Transpose(rows[g]);
    }
    // rows[g][i] now holds limb top − kBlock + i of each chain of group g.
    for (std::size_t i = kBlock; i-- > kBlock - steps;) {
        for (std::size_t g = 0; g < kGroups; ++g) {
            const __m256i q = Step(k, r[g], rows[g][i]);
            if constexpr (kWriteQuotient)
                rows[g][i] = q;
        }
    }
    if constexpr (kWriteQuotient) {
        for (std::size_t g = 0; g < kGroups; ++g) {
            Transpose(rows[g]);
            for (std::size_t lane = 0; lane < kLanes; ++lane)
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(
                                        quotient + (g * kLanes + lane) * stretch + top - kBlock),
                                    rows[g][lane]);
        }
    }
}

// Runs every chain down its whole stretch from the top, starting from the remainders in r and
// leaving the final ones there.
template <bool kWriteQuotient>
DORVANEL_LANES void Sweep(const LaneConstants& k, const std::uint32_t* numerator,
                          std::size_t stretch, __m256i r[kGroups], std::uint32_t* quotient) {
    std::size_t top = stretch;
    if (const std::size_t partial = stretch % kBlock; partial != 0) {
        SweepBlock<kWriteQuotient>(k, numerator, stretch, top, partial, r, quotient);
        top -= partial;
    }
    for (; top >= kBlock; top -= kBlock)
        SweepBlock<kWriteQuotient>(k, numerator, stretch, top, kBlock, r, quotient);
}

// Returns the remainder.
DORVANEL_LANES std::uint32_t Divide(const std::uint32_t* numerator, std::size_t limbs,
                                    std::uint32_t divisor, std::uint32_t above,
                                    std::uint32_t* quotient) {
    // The number is cut into one stretch per chain. The remainder entering a stretch is what
    // all limbs above it leave: a first sweep finds each stretch's own value modulo d, and these
    // combine from the top down.
    const SmallDivider divider(divisor);
    const std::size_t stretch = limbs / kChains;

    LaneConstants k;
    k.baseOverD = _mm256_set1_pd(static_cast<double>(kBase) / divisor);
    k.inverseD = _mm256_set1_pd(1.0 / divisor);
    k.base = _mm256_set1_epi32(static_cast<int>(kBase));
    k.d = _mm256_set1_epi32(static_cast<int>(divisor));
    k.dMinusOne = _mm256_set1_epi32(static_cast<int>(divisor - 1));

    alignas(32) std::uint32_t remainders[kChains] = {};
    __m256i r[kGroups];
    for (std::size_t g = 0; g < kGroups; ++g)
        r[g] = _mm256_load_si256(reinterpret_cast<const __m256i*>(remainders + g * kLanes));
    Sweep<false>(k, numerator, stretch, r, nullptr);
    for (std::size_t g = 0; g < kGroups; ++g)
        _mm256_store_si256(reinterpret_cast<__m256i*>(remainders + g * kLanes), r[g]);

    // remainders[c] is now stretch c's own value modulo d.
    EnteringRemainders(divider, divider.PowMod(kBase % divisor, stretch), above, remainders,
                       kChains);
    for (std::size_t g = 0; g < kGroups; ++g)
        r[g] = _mm256_load_si256(reinterpret_cast<const __m256i*>(remainders + g * kLanes));
    Sweep<true>(k, numerator, stretch, r, quotient);
    // The lowest stretch is chain 0, the first lane of the first group.
    return static_cast<std::uint32_t>(_mm256_cvtsi256_si32(r[0]));
}

} // namespace

bool VectorDivisionFits(std::size_t limbs, std::uint32_t divisor) {
    // Remainders either side of an estimate must stay within the signed 32-bit range.
    return limbs >= kMinimumLimbs && divisor >= 2 && divisor < (std::uint32_t{1} << 30) &&
           LanesInUse();
}

std::size_t LimbsInLanes(std::size_t limbs) {
    return limbs - limbs % kChains;
}

std::uint32_t DivideInLanes(std::uint32_t* quotient, const std::uint32_t* numerator,
                            std::size_t limbs, std::uint32_t divisor, std::uint32_t above) {
    DORVANEL_EXPECTS(VectorDivisionFits(limbs, divisor));
    DORVANEL_EXPECTS(limbs == LimbsInLanes(limbs));
    DORVANEL_EXPECTS(above < divisor);
    DORVANEL_EXPECTS(Apart(quotient, limbs, numerator, limbs));
    return Divide(numerator, limbs, divisor, above, quotient);
}

#else

bool VectorDivisionFits(std::size_t, std::uint32_t) {
    return false;
}

std::size_t LimbsInLanes(std::size_t) {
    return 0;
}

std::uint32_t DivideInLanes(std::uint32_t*, const std::uint32_t*, std::size_t, std::uint32_t,
                            std::uint32_t) {
    return 0;
}

#endif

} // namespace dorvanel
