// SPDX-License-Identifier: MIT
#include "decimal.h"
#include "errors.h"
#include "lane_limit.h"
#include "limb_kernels.h"

#include <QTest>

#include <random>
#include <vector>

using namespace dorvanel;

Q_DECLARE_METATYPE(std::uint32_t)

namespace {

// The number with these limbs, least significant first.
Decimal FromLimbs(const std::vector<std::uint32_t>& limbs) {
    std::string digits;
    for (auto limb = limbs.rbegin(); limb != limbs.rend(); ++limb) {
        const std::string text = std::to_string(*limb);
        digits += std::string(digits.empty() ? 0 : kLimbDigits - text.size(), '0') + text;
    }
    return Decimal::FromDigits(digits);
}

// A multiple of the divisor, built limb by limb from the top so that the remainder left after
// every limb is 1, 2, d − 2 or d − 1 (and 0 after the last): where a quotient limb estimated in
// floating point is most easily one off. Returns the numerator's limbs and the quotient's.
std::pair<std::vector<std::uint32_t>, std::vector<std::uint32_t>>
NearMultiple(std::uint32_t divisor, std::size_t limbs, std::mt19937& random) {
    const std::uint64_t d = divisor;
    std::vector<std::uint32_t> numerator(limbs);
    std::vector<std::uint32_t> quotient(limbs);
    std::uint64_t r = 0;
    for (std::size_t i = limbs; i-- > 0;) {
        const std::uint64_t choices[] = {1, 2, d - 2, d - 1};
        const std::uint64_t left = i == 0 ? 0 : choices[random() % 4] % d;
        // The smallest quotient limb q with q·d + left >= r·10^9; the limb is what remains.
        const std::uint64_t target = r * kLimbBase;
        std::uint64_t q = target > left ? (target - left + d - 1) / d : 0;
        if (r == 0)
            q += random() % ((kLimbBase - left) / d); // the top limb: any that fits
        numerator[i] = static_cast<std::uint32_t>(q * d + left - target);
        quotient[i] = static_cast<std::uint32_t>(q);
        r = left;
    }
    return {numerator, quotient};
}

std::vector<std::uint32_t> Trimmed(std::vector<std::uint32_t> limbs) {
    while (limbs.size() > 1 && limbs.back() == 0)
        limbs.pop_back();
    return limbs;
}

std::vector<std::uint32_t> Add(const std::vector<std::uint32_t>& a, LimbSpan b) {
    std::vector<std::uint32_t> sum(std::max(a.size(), b.size()) + 1, 0);
    std::uint32_t carry = 0;
    for (std::size_t i = 0; i < sum.size(); ++i) {
        const std::uint64_t limb =
            std::uint64_t{carry} + (i < a.size() ? a[i] : 0) + (i < b.size() ? b[i] : 0);
        sum[i] = static_cast<std::uint32_t>(limb % kLimbBase);
        carry = static_cast<std::uint32_t>(limb / kLimbBase);
    }
    return Trimmed(sum);
}

} // namespace

class TestLimbKernels : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (!testing::HoldToAskedLanes())
            QSKIP("this processor lacks the lanes DORVANEL_TEST_LANES names");
    }

    // Runs reach divisors of millions and counts of thousands of limbs; numbers are divided in
    // stretches side by side, in vector lanes or in pairs of limbs, the shortest on one chain.
    void exactDivision_data() {
        QTest::addColumn<std::uint32_t>("divisor");
        QTest::addColumn<int>("limbs");
        QTest::addColumn<bool>("divisibleLimbs");
        QTest::addColumn<bool>("nines");
        // 2^26 − 1 is the largest divisor whose chains start from remainders found in 512-bit
        // lanes, and 63 and 64 limbs either side of the shortest.
        for (std::uint32_t divisor :
             {1u, 2u, 10u, 999u, 65536u, 4999999u, 10'001'000u, (1u << 26) - 1, 1u << 26,
              (1u << 30) - 1, 1u << 30, (1u << 31) - 1})
            for (int limbs : {1, 2, 31, 32, 39, 63, 64, 300, 511, 512, 513, 777, 3337})
                QTest::addRow("%u into %d limbs", divisor, limbs)
                    << divisor << limbs << false << false;
        // Every limb a multiple of the divisor: every partial remainder is zero, where an
        // estimated quotient limb is most easily one off.
        for (std::uint32_t divisor : {3u, 7u, 999u, 4999999u})
            QTest::addRow("%u into limbs it divides", divisor) << divisor << 3337 << true << false;
        // Quotient pairs a unit short of a multiple of 10^9, which a double rounds up to it.
        for (int limbs : {63, 300})
            QTest::addRow("7 into %d limbs, every other quotient limb 999999999", limbs)
                << 7u << limbs << false << true;
    }
    void exactDivision() {
        QFETCH(std::uint32_t, divisor);
        QFETCH(int, limbs);
        QFETCH(bool, divisibleLimbs);
        QFETCH(bool, nines);
        std::mt19937 random(divisor ^ static_cast<std::uint32_t>(limbs));
        std::vector<std::uint32_t> quotientLimbs(static_cast<std::size_t>(limbs));
        for (std::uint32_t& limb : quotientLimbs)
            limb = random() % (divisibleLimbs ? kLimbBase / divisor : kLimbBase);
        if (nines)
            for (std::size_t i = 0; i < quotientLimbs.size(); i += 2)
                quotientLimbs[i] = kLimbBase - 1;
        quotientLimbs.back() |= 1;
        const Decimal quotient = FromLimbs(quotientLimbs);
        Decimal numerator = quotient;
        numerator.MultiplyBy(divisor);

        std::vector<std::uint32_t> result(numerator.limbs().size() + 1, 0xDEADBEEF);
        const std::size_t length = DivideExactly(result.data(), numerator.limbs().data(),
                                                 numerator.limbs().size(), divisor);
        QCOMPARE(length, quotient.limbs().size());
        QVERIFY(std::equal(result.begin(), result.begin() + static_cast<std::ptrdiff_t>(length),
                           quotient.limbs().begin()));
    }

    // Carries that run through every limb, across the join of the two halves carried side by
    // side: 10^(9n) − 1 plus 1, and 10^(9n) minus 1.
    void combinationCarriesRunThrough_data() {
        QTest::addColumn<int>("limbs");
        QTest::newRow("short") << 10;
        QTest::newRow("long") << 1001;
    }
    void combinationCarriesRunThrough() {
        QFETCH(int, limbs);
        const auto n = static_cast<std::size_t>(limbs);
        const std::vector<std::uint32_t> nines(n, kLimbBase - 1);
        std::vector<std::uint32_t> power(n + 1, 0);
        power.back() = 1;
        const std::vector<std::uint32_t> one{1};
        LimbCombiner combiner;
        auto combine = [&](std::vector<ScaledCount> terms) {
            std::vector<std::uint32_t> sum(n + 3, 0xDEADBEEF);
            sum.resize(combiner.Combine(sum.data(), sum.size(), terms));
            while (sum.size() > 1 && sum.back() == 0)
                sum.pop_back();
            return sum;
        };
        QCOMPARE(combine({{1, nines}, {1, one}}), power);
        QCOMPARE(combine({{1, power}, {-1, one}}), nines);
        // The same with 1 padded to the other's length, so that every limb is summed side by
        // side, where the vector lanes take them.
        std::vector<std::uint32_t> paddedOne(n + 1, 0);
        paddedOne.front() = 1;
        QCOMPARE(combine({{1, nines}, {1, {paddedOne.data(), n}}}), power);
        QCOMPARE(combine({{1, power}, {-1, paddedOne}}), nines);
    }

    // Σ c·x checked as Σ c·x over the negative terms plus the result = Σ c·x over the
    // positive ones, every product worked out on its own: terms of mixed lengths, and
    // coefficients large enough that a limb's sum leaves 64 bits.
    void combinationOfManyTerms_data() {
        QTest::addColumn<int>("terms");
        QTest::addColumn<qint64>("smallest");
        QTest::addColumn<qint64>("largest");
        QTest::addColumn<bool>("mixedSigns");
        QTest::newRow("three") << 3 << qint64{1} << qint64{10'000'000} << true;
        QTest::newRow("seven") << 7 << qint64{1} << qint64{20'000'000} << true;
        QTest::newRow("thirty-one") << 31 << qint64{1} << qint64{50'000'000} << true;
        // Sums near 2^63, carrying billions, past what a double holds exactly: the vector
        // lanes' widest.
        QTest::newRow("32-bit coefficients")
            << 4 << qint64{1'900'000'000} << qint64{2'000'000'000} << false;
        // Coefficients past 32 bits: the scalar chains, which processors without the lanes run.
        QTest::newRow("past 32 bits") << 3 << (qint64{1} << 31) << (qint64{1} << 31) + 1000 << true;
        QTest::newRow("beyond 64 bits") << 5 << qint64{1} << (qint64{1} << 40) << true;
    }
    void combinationOfManyTerms() {
        QFETCH(int, terms);
        QFETCH(qint64, smallest);
        QFETCH(qint64, largest);
        QFETCH(bool, mixedSigns);
        std::mt19937_64 random(static_cast<std::uint64_t>(terms));
        std::vector<std::vector<std::uint32_t>> counts(static_cast<std::size_t>(terms));
        std::vector<ScaledCount> scaled;
        std::vector<std::uint32_t> positive{0};
        std::vector<std::uint32_t> negative{0};
        for (std::size_t t = 0; t < counts.size(); ++t) {
            // The first term is the longest and outweighs the others: the sum is positive.
            counts[t].resize(t == 0 ? 60 : 40 + random() % 9);
            for (std::uint32_t& limb : counts[t])
                limb = static_cast<std::uint32_t>(random() % kLimbBase);
            counts[t].back() |= 1;
            const auto coefficient =
                smallest + static_cast<std::int64_t>(
                               random() % static_cast<std::uint64_t>(largest - smallest + 1));
            const bool subtracted = mixedSigns && t % 2 == 1;
            scaled.push_back({subtracted ? -coefficient : coefficient, counts[t]});
            const Decimal product =
                FromLimbs(counts[t]) * Decimal(static_cast<std::uint64_t>(coefficient));
            std::vector<std::uint32_t>& total = subtracted ? negative : positive;
            total = Add(total, product.limbs());
        }
        LimbCombiner combiner;
        std::vector<std::uint32_t> sum(70, 0xDEADBEEF);
        sum.resize(combiner.Combine(sum.data(), sum.size(), scaled));
        QCOMPARE(Add(Trimmed(sum), negative), positive);
    }

    // A sum that comes out negative, or longer than its room, stops with an error instead of
    // carrying for ever or writing past the room; a division that leaves a remainder too.
    void brokenPreconditionsStop() {
        const std::vector<std::uint32_t> one{1};
        const std::vector<std::uint32_t> two{2};
        const std::vector<std::uint32_t> large(5, kLimbBase - 1);
        LimbCombiner combiner;
        std::vector<std::uint32_t> sum(6, 0xDEADBEEF);
        const std::vector<ScaledCount> negative{{1, one}, {-1, two}};
        QVERIFY_THROWS_EXCEPTION(InternalError, combiner.Combine(sum.data(), 6, negative));
        const std::vector<ScaledCount> tooLong{{3, large}};
        sum.assign(6, 0xDEADBEEF);
        QVERIFY_THROWS_EXCEPTION(InternalError, combiner.Combine(sum.data(), 5, tooLong));
        QCOMPARE(sum[5], 0xDEADBEEFu);
        for (std::size_t limbs : {std::size_t{3}, std::size_t{100}, std::size_t{3337}}) {
            std::vector<std::uint32_t> numerator(limbs, 7);
            std::vector<std::uint32_t> quotient(limbs);
            QVERIFY_THROWS_EXCEPTION(InternalError,
                                     DivideExactly(quotient.data(), numerator.data(), limbs, 10));
        }
    }

    void exactDivisionWithEdgeRemainders_data() {
        QTest::addColumn<std::uint32_t>("divisor");
        // Divisors up to half the limb base, so that every limb can be built.
        for (std::uint32_t divisor :
             {7u, 4999999u, 10'001'000u, (1u << 26) - 1, 333333331u, 499999999u, (1u << 29) - 3})
            QTest::addRow("%u", divisor) << divisor;
    }
    void exactDivisionWithEdgeRemainders() {
        QFETCH(std::uint32_t, divisor);
        std::mt19937 random(divisor);
        for (std::size_t limbs : {std::size_t{40}, std::size_t{3337}}) {
            auto [numerator, quotient] = NearMultiple(divisor, limbs, random);
            std::vector<std::uint32_t> result(limbs);
            std::size_t length = DivideExactly(result.data(), numerator.data(), limbs, divisor);
            while (quotient.size() > 1 && quotient.back() == 0)
                quotient.pop_back();
            QCOMPARE(length, quotient.size());
            result.resize(length);
            QCOMPARE(result, quotient);
        }
    }
};

QTEST_APPLESS_MAIN(TestLimbKernels)
#include "tst_limb_kernels.moc"
