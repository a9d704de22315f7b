// SPDX-License-Identifier: MIT
#include "highest_of_kinds.h"

#include "errors.h"
#include "residues.h"
#include "wide_number.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <future>
#include <set>
#include <thread>

namespace dorvanel {
namespace {

// Whatever the K-th highest value t of an outcome, the K highest sum to K·t plus how far the
// fewer than K members above t lie above it. With s marking a member above t and x^e one that
// lies e above it, the outcomes where fewer than K members lie above t are, by that excess,
//   Φ_t = Σ_(d<K) [s^d] Π_kinds (G_t(x)·s + F_t)^n,
// G_t = Σ_(v>t) w(v)·x^(v−t) and F_t the weight at most t. Those where fewer than K lie at t or
// above, Ψ_t, are the same with G over v ≥ t and F below t; Φ_t − Ψ_t are the outcomes whose
// K-th highest is t. Each Σ_(d<K) [s^d] Π is taken kind by kind: S_i(b), the sum over the kinds
// from i on with at most b members above t, is Σ_(a≤b) C(n,a)·F^(n−a)·G^a·S_(i+1)(b − a), by
// Horner's rule in G. Every step adds and multiplies only, so it runs on residues modulo primes.
using Poly = std::vector<std::uint32_t>;

struct Factor {
    std::int32_t count = 0;
    Poly g;                       // G_t, by excess
    std::uint32_t f = 0;          // F_t
    bool noneBelow = false;       // F_t is exactly 0
    std::vector<std::uint32_t> c; // C(n, a)·F^(n−a) for a ≤ min(n, K − 1)
    // Where G is one run of one weight, as for a die of consecutive faces: its first excess,
    // and the weight; width 0 otherwise.
    std::size_t runFirst = 0;
    std::size_t runWidth = 0;
    std::uint32_t runWeight = 0;
};

class KindsModulo {
public:
    KindsModulo(const std::vector<SelectedKind>& kinds, std::int32_t kept, std::uint32_t prime)
        : kinds_(kinds), kept_(kept), m_(prime) {
        for (const SelectedKind& kind : kinds) {
            Poly weights;
            for (const Decimal& weight : kind.weights)
                weights.push_back(m_.Of(weight));
            weights_.push_back(std::move(weights));
        }
        inverses_.push_back(0);
        for (std::int32_t a = 1; a <= kept; ++a)
            inverses_.push_back(m_.Inverse(static_cast<std::uint32_t>(a)));
    }

    // Φ_t or Ψ_t, by excess; empty when 0.
    Poly Below(std::int64_t t, bool atOrAbove) const {
        std::vector<Factor> active;
        std::uint32_t passive = 1;
        for (std::size_t k = 0; k < kinds_.size(); ++k) {
            const SelectedKind& kind = kinds_[k];
            const Poly& w = weights_[k];
            Factor factor{kind.count, {}, 0, false, {}};
            const std::int64_t firstAbove = atOrAbove ? t : t + 1;
            for (std::int64_t v = kind.low; v < std::min(firstAbove, kind.High() + 1); ++v)
                factor.f = m_.Add(factor.f, w[static_cast<std::size_t>(v - kind.low)]);
            factor.noneBelow = firstAbove <= kind.low;
            if (factor.noneBelow && kind.count >= kept_)
                return {};
            if (kind.High() >= firstAbove) {
                factor.c = Coefficients(factor);
                factor.g.assign(static_cast<std::size_t>(kind.High() - t) + 1, 0);
                for (std::int64_t v = std::max(firstAbove, kind.low); v <= kind.High(); ++v)
                    factor.g[static_cast<std::size_t>(v - t)] =
                        w[static_cast<std::size_t>(v - kind.low)];
                FindRun(factor);
                active.push_back(std::move(factor));
            } else {
                passive = m_.Multiply(passive, m_.Power(factor.f, factor.count));
            }
        }
        if (active.empty())
            return {passive};
        const auto budget = static_cast<std::size_t>(kept_ - 1);
        // S of the last kind for every budget, then of each one before; the first's for K − 1.
        std::vector<Poly> later = Prefixes(active.back());
        for (std::size_t i = active.size() - 1; i-- > 0;) {
            if (i == 0) {
                later = {Horner(active[0], later, budget)};
                break;
            }
            std::vector<Poly> sums;
            for (std::size_t b = 0; b <= budget; ++b)
                sums.push_back(Horner(active[i], later, b));
            later = std::move(sums);
        }
        Poly result = std::move(later.back());
        for (std::uint32_t& value : result)
            value = m_.Multiply(value, passive);
        return result;
    }

private:
    std::vector<std::uint32_t> Coefficients(const Factor& factor) const {
        const auto top = static_cast<std::size_t>(std::min(factor.count, kept_ - 1));
        std::vector<std::uint32_t> c(top + 1);
        std::uint32_t power = m_.Power(factor.f, static_cast<std::uint64_t>(factor.count) - top);
        for (std::size_t a = top + 1; a-- > 0;) {
            c[a] = power;
            power = m_.Multiply(power, factor.f);
        }
        std::uint32_t binomial = 1;
        for (std::size_t a = 0; a <= top; ++a) {
            c[a] = m_.Multiply(c[a], binomial);
            binomial = m_.Multiply(
                m_.Multiply(binomial, static_cast<std::uint32_t>(factor.count - a) % m_.Prime()),
                inverses_[a + 1]);
        }
        return c;
    }

    static void FindRun(Factor& factor) {
        const Poly& g = factor.g;
        std::size_t first = 0;
        while (first < g.size() && g[first] == 0)
            ++first;
        if (first < g.size() && std::all_of(g.begin() + static_cast<std::ptrdiff_t>(first), g.end(),
                                            [&](std::uint32_t v) { return v == g[first]; })) {
            factor.runFirst = first;
            factor.runWidth = g.size() - first;
            factor.runWeight = g[first];
        }
    }

    // acc·G + scale·add, into `out`.
    void TimesPlus(const Poly& acc, const Factor& factor, const Poly& add, std::uint32_t scale,
                   Poly& out) const {
        const Poly& g = factor.g;
        out.assign(std::max(acc.size() + g.size() - 1, add.size()), 0);
        if (factor.runWidth != 0 && factor.runWeight == 1) {
            // A running sum of `acc` over the run's width, the sum added in the same pass.
            const std::size_t first = factor.runFirst;
            const std::size_t width = factor.runWidth;
            std::uint32_t window = 0;
            for (std::size_t u = 0; u < out.size(); ++u) {
                if (u >= first && u - first < acc.size())
                    window = m_.Add(window, acc[u - first]);
                if (u >= first + width && u - first - width < acc.size())
                    window = m_.Subtract(window, acc[u - first - width]);
                out[u] = u < add.size() ? m_.Add(window, m_.Multiply(add[u], scale)) : window;
            }
            return;
        }
        for (std::size_t i = 0; i < acc.size(); ++i) {
            if (acc[i] == 0)
                continue;
            for (std::size_t j = 0; j < g.size(); ++j)
                out[i + j] = m_.Add(out[i + j], m_.Multiply(acc[i], g[j]));
        }
        for (std::size_t u = 0; u < add.size(); ++u)
            out[u] = m_.Add(out[u], m_.Multiply(add[u], scale));
    }

    void AddScaled(Poly& acc, const Poly& p, std::uint32_t scale) const {
        if (acc.size() < p.size())
            acc.resize(p.size(), 0);
        for (std::size_t u = 0; u < p.size(); ++u)
            acc[u] = m_.Add(acc[u], m_.Multiply(p[u], scale));
    }

    // Σ_(a≤b) c_a·G^a for every b ≤ K − 1.
    std::vector<Poly> Prefixes(const Factor& factor) const {
        const std::vector<std::uint32_t>& c = factor.c;
        std::vector<Poly> sums;
        Poly power{1};
        Poly sum;
        for (std::size_t a = 0; a < static_cast<std::size_t>(kept_); ++a) {
            if (a < c.size()) {
                if (a > 0) {
                    TimesPlus(power, factor, {}, 0, scratch_);
                    std::swap(power, scratch_);
                }
                AddScaled(sum, power, c[a]);
            }
            sums.push_back(sum);
        }
        return sums;
    }

    // Σ_(a≤b) c_a·G^a·later[b − a].
    Poly Horner(const Factor& factor, const std::vector<Poly>& later, std::size_t b) const {
        const std::vector<std::uint32_t>& c = factor.c;
        std::size_t a = std::min(b, c.size() - 1);
        Poly acc;
        AddScaled(acc, later[b - a], c[a]);
        while (a-- > 0) {
            TimesPlus(acc, factor, later[b - a], c[a], scratch_);
            std::swap(acc, scratch_);
        }
        return acc;
    }

    const std::vector<SelectedKind>& kinds_;
    std::int32_t kept_;
    Modulus m_;
    std::vector<Poly> weights_;
    std::vector<std::uint32_t> inverses_; // 1/a for a ≤ K
    mutable Poly scratch_;                // working space of TimesPlus
};

// Every member's lowest or highest value, largest first.
std::vector<std::int64_t> Ends(const std::vector<SelectedKind>& kinds, bool high) {
    std::vector<std::int64_t> ends;
    for (const SelectedKind& kind : kinds)
        ends.insert(ends.end(), static_cast<std::size_t>(kind.count),
                    high ? kind.High() : kind.low);
    std::sort(ends.rbegin(), ends.rend());
    return ends;
}

std::int64_t HighestSum(const std::vector<SelectedKind>& kinds, std::int32_t kept, bool high) {
    const std::vector<std::int64_t> ends = Ends(kinds, high);
    std::int64_t sum = 0;
    for (std::int32_t i = 0; i < kept; ++i)
        sum += ends[static_cast<std::size_t>(i)];
    return sum;
}

// Every outcome of all the members, and the values any of them can take, smallest first.
std::pair<Decimal, std::set<std::int64_t>>
OutcomesAndValues(const std::vector<SelectedKind>& kinds) {
    Decimal outcomes(1);
    std::set<std::int64_t> values;
    for (const SelectedKind& kind : kinds) {
        Decimal weight;
        for (std::size_t v = 0; v < kind.weights.size(); ++v) {
            weight += kind.weights[v];
            if (kind.weights[v] != Decimal())
                values.insert(kind.low + static_cast<std::int64_t>(v));
        }
        for (std::int32_t i = 0; i < kind.count; ++i)
            outcomes = outcomes * weight;
    }
    return {outcomes, values};
}

} // namespace

std::int64_t LeastHighestSum(const std::vector<SelectedKind>& kinds, std::int32_t kept) {
    return HighestSum(kinds, kept, false);
}

std::int64_t MostHighestSum(const std::vector<SelectedKind>& kinds, std::int32_t kept) {
    return HighestSum(kinds, kept, true);
}

std::vector<Decimal> HighestOfKinds(const std::vector<SelectedKind>& kinds, std::int32_t kept,
                                    const std::atomic<bool>* cancel) {
    // Named, not bound: the counting lambdas below capture them.
    const auto outcomesAndValues = OutcomesAndValues(kinds);
    const Decimal& outcomes = outcomesAndValues.first;
    const std::set<std::int64_t>& values = outcomesAndValues.second;
    const std::int64_t least = LeastHighestSum(kinds, kept);
    const std::int64_t most = MostHighestSum(kinds, kept);
    // Every sum K·t + excess lies within K times the lowest and the highest value.
    const std::int64_t base = std::int64_t{kept} * *values.begin();
    const auto length = static_cast<std::size_t>(std::int64_t{kept} * *values.rbegin() - base + 1);

    const ResidueBasis basis(PrimesBeyond(outcomes));
    std::vector<std::vector<std::uint32_t>> residues(
        static_cast<std::size_t>(most - least + 1),
        std::vector<std::uint32_t>(basis.Primes().size()));
    // The primes are independent: every other one on a second thread.
    std::atomic<bool> stop = false;
    auto countModulo = [&](std::size_t q) {
        const KindsModulo kindsModulo(kinds, kept, basis.Primes()[q]);
        const Modulus m(basis.Primes()[q]);
        std::vector<std::uint32_t> counts(length, 0);
        for (auto t = values.rbegin(); t != values.rend(); ++t) {
            ThrowIfCancelled(cancel);
            ThrowIfCancelled(&stop);
            const auto at = static_cast<std::size_t>(std::int64_t{kept} * *t - base);
            const Poly fewerAbove = kindsModulo.Below(*t, false);
            for (std::size_t u = 0; u < fewerAbove.size(); ++u)
                counts[at + u] = m.Add(counts[at + u], fewerAbove[u]);
            const Poly fewerAtOrAbove = kindsModulo.Below(*t, true);
            for (std::size_t u = 0; u < fewerAtOrAbove.size(); ++u)
                counts[at + u] = m.Subtract(counts[at + u], fewerAtOrAbove[u]);
        }
        for (std::size_t j = 0; j < length; ++j) {
            const std::int64_t sum = base + static_cast<std::int64_t>(j);
            if (sum < least || sum > most) {
                if (counts[j] != 0)
                    throw InternalError(
                        "the highest of several kinds counted a sum they cannot give");
                continue;
            }
            residues[static_cast<std::size_t>(sum - least)][q] = counts[j];
        }
    };
    auto everyOther = [&](std::size_t from) {
        for (std::size_t q = from; q < basis.Primes().size(); q += 2)
            countModulo(q);
    };
    std::future<void> helper;
    if (basis.Primes().size() > 1 && std::thread::hardware_concurrency() > 1)
        helper = std::async(std::launch::async, everyOther, 1);
    try {
        everyOther(0);
        if (!helper.valid())
            everyOther(1);
    } catch (...) {
        stop = true;
        if (helper.valid())
            helper.wait();
        throw;
    }
    if (helper.valid())
        helper.get();
    std::vector<Decimal> counts;
    Decimal total;
    for (const std::vector<std::uint32_t>& residue : residues) {
        counts.push_back(basis.Value(residue));
        total += counts.back();
    }
    if (total != outcomes)
        throw InternalError("the highest of several kinds did not count every outcome once");
    return counts;
}

long double MeanOfHighest(const std::vector<SelectedKind>& kinds, std::int32_t kept) {
    const auto [outcomes, values] = OutcomesAndValues(kinds);
    // X = Σ_t (t − the value below)·(K·T − Σ_(j<K) (K − j)·N_j), N_j = [y^j] Π (a·y + b)^n with
    // a the weight at t or above and b below, is at most K·T·(highest − lowest).
    Decimal bound = outcomes;
    bound.MultiplyBy(static_cast<std::uint32_t>(kept));
    bound = bound * Decimal(static_cast<std::uint64_t>(*values.rbegin() - *values.begin()) + 1);
    const ResidueBasis basis(PrimesBeyond(bound));
    const auto k = static_cast<std::size_t>(kept);
    std::vector<std::uint32_t> sums;
    for (const std::uint32_t prime : basis.Primes()) {
        const Modulus m(prime);
        std::vector<Poly> weights;
        for (const SelectedKind& kind : kinds) {
            weights.emplace_back();
            for (const Decimal& weight : kind.weights)
                weights.back().push_back(m.Of(weight));
        }
        const std::uint32_t all = m.Of(outcomes);
        std::uint32_t sum = 0;
        for (auto t = std::next(values.begin()); t != values.end(); ++t) {
            Poly fewer{1}; // N_j for j < K
            for (std::size_t i = 0; i < kinds.size(); ++i) {
                std::uint32_t above = 0;
                std::uint32_t below = 0;
                for (std::size_t v = 0; v < weights[i].size(); ++v) {
                    std::uint32_t& into =
                        kinds[i].low + static_cast<std::int64_t>(v) >= *t ? above : below;
                    into = m.Add(into, weights[i][v]);
                }
                // C(n, j)·a^j·b^(n − j) for j < K.
                const auto n = static_cast<std::size_t>(kinds[i].count);
                Poly power(std::min(n, k - 1) + 1);
                std::uint32_t binomial = 1;
                for (std::size_t j = 0; j < power.size(); ++j) {
                    power[j] =
                        m.Multiply(m.Multiply(binomial, m.Power(above, j)), m.Power(below, n - j));
                    binomial = m.Multiply(m.Multiply(binomial, static_cast<std::uint32_t>(n - j)),
                                          m.Inverse(static_cast<std::uint32_t>(j + 1)));
                }
                Poly product(std::min(k, fewer.size() + power.size() - 1), 0);
                for (std::size_t a = 0; a < fewer.size(); ++a)
                    for (std::size_t b = 0; b < power.size() && a + b < product.size(); ++b)
                        product[a + b] = m.Add(product[a + b], m.Multiply(fewer[a], power[b]));
                fewer = std::move(product);
            }
            std::uint32_t capped = m.Multiply(all, static_cast<std::uint32_t>(k));
            for (std::size_t j = 0; j < fewer.size(); ++j)
                capped =
                    m.Subtract(capped, m.Multiply(fewer[j], static_cast<std::uint32_t>(k - j)));
            const auto step = static_cast<std::uint64_t>(*t - *std::prev(t));
            sum = m.Add(sum, m.Multiply(capped, static_cast<std::uint32_t>(step % prime)));
        }
        sums.push_back(sum);
    }
    const WideNumber above = WideNumber::Of(basis.Value(sums)) / WideNumber::Of(outcomes);
    return above.Value() +
           static_cast<long double>(kept) * static_cast<long double>(*values.begin());
}

// Converts the operations counted below to GroupWork's units.
constexpr double kSecondsScale = 0.3;

double HighestOfKindsWork(const std::vector<SelectedKind>& kinds, std::int32_t kept) {
    double bits = 0;
    std::int64_t low = kinds.front().low;
    std::int64_t high = kinds.front().High();
    double span = 0;
    double weightsAbove = 1;
    for (const SelectedKind& kind : kinds) {
        Decimal weight;
        for (const Decimal& w : kind.weights)
            weight += w;
        const double digits = static_cast<double>(weight.DigitCount());
        const double leading = LeadingDigitsValue(weight.limbs(), 9);
        bits +=
            kind.count * (std::log2(leading) + (digits - std::min(digits, 9.0)) * std::log2(10.0));
        low = std::min(low, kind.low);
        high = std::max(high, kind.High());
        span = std::max(span, static_cast<double>(kind.weights.size()));
        const bool run = std::all_of(kind.weights.begin(), kind.weights.end(),
                                     [&](const Decimal& w) { return w == kind.weights.front(); });
        if (!run)
            weightsAbove = std::max(weightsAbove, static_cast<double>(kind.weights.size()) / 2);
    }
    const double primes = bits / 30 + 1;
    const double values = static_cast<double>(high - low + 1);
    const double k = kept;
    const double m = static_cast<double>(kinds.size());
    // Each value t, twice: every kind's G and F set up; the middle kinds' Horner steps for every
    // budget and the first's and the last's for one, each adding a polynomial about
    // (K − 1)·span / 2 long, and all but K of them a product by G of one a little shorter.
    const double middle = std::max(m - 2, 0.0) * k * k / 2;
    const double products = middle + 2 * (k - 1);
    const double sums = middle + 2 * k;
    const double length = 1 + (k - 1) * span / 2;
    const double multiplied = 1 + std::max(k - 2, 0.0) * span / 2;
    const double perValue = m * span + products * multiplied * weightsAbove + sums * length;
    // Measured here against GroupWork's units, on one core; a second takes every other prime.
    const double cores = primes > 1 && std::thread::hardware_concurrency() > 1 ? 2 : 1;
    return values * 2 * perValue * primes * kSecondsScale / cores;
}

} // namespace dorvanel
