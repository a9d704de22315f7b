// SPDX-License-Identifier: MIT
// Exact counts worked out as residues modulo primes below 2^31 and put together again: a program
// that only adds and multiplies runs on plain 64-bit words, and the Chinese remainder theorem
// gives back every count below the product of the primes.
#pragma once

#include "decimal.h"

#include <cstdint>
#include <vector>

namespace dorvanel {

// A prime below 2^31: products of two residues fit 64 bits.
class Modulus {
public:
    explicit Modulus(std::uint32_t prime) : p_(prime), reciprocal_(~std::uint64_t{0} / prime) {}
    std::uint32_t Prime() const { return p_; }
    std::uint32_t Add(std::uint32_t a, std::uint32_t b) const {
        const std::uint32_t sum = a + b;
        return sum - (p_ & -static_cast<std::uint32_t>(sum >= p_));
    }
    std::uint32_t Subtract(std::uint32_t a, std::uint32_t b) const {
        return a >= b ? a - b : a + (p_ - b);
    }
    // Barrett's reduction: the quotient from the reciprocal is short by at most 2.
    std::uint32_t Multiply(std::uint32_t a, std::uint32_t b) const {
        const std::uint64_t product = std::uint64_t{a} * b;
        __extension__ const auto quotient = static_cast<std::uint64_t>(
            (static_cast<unsigned __int128>(product) * reciprocal_) >> 64);
        auto rest = static_cast<std::uint32_t>(product - quotient * p_);
        rest -= p_ & -static_cast<std::uint32_t>(rest >= p_);
        return rest - (p_ & -static_cast<std::uint32_t>(rest >= p_));
    }
    std::uint32_t Power(std::uint32_t base, std::uint64_t exponent) const;
    // For a residue that is not 0.
    std::uint32_t Inverse(std::uint32_t a) const { return Power(a, p_ - 2); }
    std::uint32_t Of(const Decimal& value) const;

private:
    std::uint32_t p_;
    std::uint64_t reciprocal_; // ⌊(2^64 − 1) / p⌋
};

// The largest primes below 2^31, largest first, as many as it takes for their product to exceed
// `bound`.
std::vector<std::uint32_t> PrimesBeyond(const Decimal& bound);

// Puts numbers together from their residues modulo these primes, one per prime in the same
// order: each number below the primes' product.
class ResidueBasis {
public:
    explicit ResidueBasis(std::vector<std::uint32_t> primes);
    const std::vector<std::uint32_t>& Primes() const { return primes_; }
    Decimal Value(const std::vector<std::uint32_t>& residues) const;

private:
    std::vector<std::uint32_t> primes_;
    std::vector<std::vector<std::uint32_t>> inverses_; // [i][j]: 1 / p_j modulo p_i, j < i
};

} // namespace dorvanel
