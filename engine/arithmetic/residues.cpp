// SPDX-License-Identifier: MIT
#include "residues.h"

#include <mutex>
#include <utility>

namespace dorvanel {
namespace {

// Miller–Rabin with the bases 2, 7 and 61, which decide every number below 2^32.
bool IsPrime(std::uint32_t n) {
    if (n < 2 || n % 2 == 0)
        return n == 2;
    std::uint32_t odd = n - 1;
    int twos = 0;
    for (; odd % 2 == 0; odd /= 2)
        ++twos;
    const Modulus m(n);
    for (const std::uint32_t base : {2u, 7u, 61u}) {
        if (base % n == 0)
            continue;
        std::uint32_t x = m.Power(base % n, odd);
        if (x == 1 || x == n - 1)
            continue;
        bool composite = true;
        for (int i = 1; i < twos && composite; ++i) {
            x = m.Multiply(x, x);
            composite = x != n - 1;
        }
        if (composite)
            return false;
    }
    return true;
}

} // namespace

std::uint32_t Modulus::Power(std::uint32_t base, std::uint64_t exponent) const {
    std::uint32_t result = 1 % p_;
    for (; exponent != 0; exponent >>= 1) {
        if (exponent & 1)
            result = Multiply(result, base);
        base = Multiply(base, base);
    }
    return result;
}

std::uint32_t Modulus::Of(const Decimal& value) const {
    std::uint64_t residue = 0;
    const LimbSpan limbs = value.limbs();
    for (std::size_t i = limbs.size(); i-- > 0;)
        residue = (residue * kLimbBase + limbs[i]) % p_;
    return static_cast<std::uint32_t>(residue);
}

std::vector<std::uint32_t> PrimesBeyond(const Decimal& bound) {
    // Found once and shared: every group asks for the same ones.
    static std::mutex mutex;
    static std::vector<std::uint32_t> known;
    static Decimal product(1);
    static std::vector<Decimal> products; // of the first i + 1
    const std::lock_guard lock(mutex);
    std::size_t needed = 0;
    while (needed < products.size() && !(bound < products[needed]))
        ++needed;
    while (needed == products.size()) {
        std::uint32_t next = known.empty() ? (1u << 31) - 1 : known.back() - 2;
        while (!IsPrime(next))
            next -= 2;
        known.push_back(next);
        product = product * Decimal(next);
        products.push_back(product);
        if (!(bound < product))
            ++needed;
    }
    return {known.begin(), known.begin() + static_cast<std::ptrdiff_t>(needed + 1)};
}

ResidueBasis::ResidueBasis(std::vector<std::uint32_t> primes) : primes_(std::move(primes)) {
    for (std::size_t i = 0; i < primes_.size(); ++i) {
        const Modulus m(primes_[i]);
        inverses_.emplace_back();
        for (std::size_t j = 0; j < i; ++j)
            inverses_[i].push_back(m.Inverse(primes_[j] % primes_[i]));
    }
}

Decimal ResidueBasis::Value(const std::vector<std::uint32_t>& residues) const {
    // Garner's mixed radix: x = d0 + d1·p0 + d2·p0·p1 + …, each digit below its prime.
    std::vector<std::uint32_t> digits(primes_.size());
    for (std::size_t i = 0; i < primes_.size(); ++i) {
        const Modulus m(primes_[i]);
        std::uint32_t x = residues[i];
        for (std::size_t j = 0; j < i; ++j)
            x = m.Multiply(m.Subtract(x, digits[j] % primes_[i]), inverses_[i][j]);
        digits[i] = x;
    }
    Decimal value;
    for (std::size_t i = primes_.size(); i-- > 0;) {
        value.MultiplyBy(primes_[i]);
        value += Decimal(digits[i]);
    }
    return value;
}

} // namespace dorvanel
