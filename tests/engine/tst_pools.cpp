// SPDX-License-Identifier: MIT
#include "count_reader.h"
#include "distribution.h"
#include "errors.h"
#include "exact_tables.h"
#include "pool_notation.h"
#include "readout.h"
#include "report.h"

#include <QTest>

#include <algorithm>
#include <map>
#include <random>
#include <vector>

using namespace dorvanel;
using dorvanel::testing::RelativeDifference;

namespace {

__extension__ typedef unsigned __int128 UInt128;

// The values one die of a term shows, as rolled: 1 … D, −D … −1 subtracted, −1 … 1 for dF.
std::vector<std::int64_t> FaceValues(const DiceTerm& term) {
    std::vector<std::int64_t> values;
    if (term.fudge) {
        values = {-1, 0, 1};
    } else {
        for (std::int64_t face = 1; face <= term.faces; ++face)
            values.push_back(term.subtracted ? -face : face);
    }
    return values;
}

// The count of every total by direct convolution, die by die, in arithmetic of type Number
// (modulo `modulus` when it is not 0), from the faces as written: no symmetry, no shift.
template <typename Number>
std::map<std::int64_t, Number> Convolved(const DicePool& pool, Number modulus = 0) {
    std::map<std::int64_t, Number> counts{{pool.Constant(), 1}};
    for (const DiceTerm& term : pool.Terms()) {
        const std::vector<std::int64_t> values = FaceValues(term);
        for (std::int32_t die = 0; die < term.count; ++die) {
            std::map<std::int64_t, Number> next;
            for (const auto& [total, count] : counts)
                for (const std::int64_t value : values) {
                    Number& sum = next[total + value];
                    sum += count;
                    if (modulus != 0)
                        sum %= modulus;
                }
            counts = std::move(next);
        }
    }
    return counts;
}

UInt128 Value(LimbSpan count) {
    UInt128 value = 0;
    for (std::size_t i = count.size(); i-- > 0;)
        value = value * kLimbBase + count[i];
    return value;
}

std::uint64_t Modulo(LimbSpan count, std::uint64_t modulus) {
    UInt128 value = 0;
    for (std::size_t i = count.size(); i-- > 0;)
        value = (value * kLimbBase + count[i]) % modulus;
    return static_cast<std::uint64_t>(value);
}

DistributionTable Computed(const DicePool& pool, std::optional<std::uint64_t> budget = {}) {
    RunControl control;
    control.memoryBudget = budget;
    return ComputeDistribution(pool, control);
}

QString Totals(const DistributionTable& table) {
    return QString("%1 … %2").arg(table.MinValue()).arg(table.MaxValue());
}

} // namespace

class TestPools : public QObject {
    Q_OBJECT
private slots:
    // Every pool of one to three terms of up to 6 dice of up to 8 faces or Fudge dice, each
    // with its own signs and constant, against the counts of direct convolution.
    void smallPoolsAgreeWithConvolution() {
        std::vector<DiceTerm> kinds;
        for (std::int32_t count = 1; count <= 6; ++count) {
            for (std::int32_t faces = 1; faces <= 8; ++faces)
                kinds.push_back({count, faces, false, false});
            kinds.push_back({count, 3, true, false});
        }
        std::mt19937 random(7);
        int pools = 0;
        auto check = [&](std::vector<DiceTerm> terms) {
            for (DiceTerm& term : terms)
                term.subtracted = random() % 3 == 0;
            const DicePool pool(terms, static_cast<std::int64_t>(random() % 41) - 20);
            const DistributionTable table = Computed(pool);
            const auto expected = Convolved<UInt128>(pool);
            QCOMPARE(table.MinValue(), expected.begin()->first);
            QCOMPARE(table.MaxValue(), expected.rbegin()->first);
            CountReader reader(table);
            for (const auto& [total, count] : expected)
                if (Value(reader.Count(total)) != count)
                    QFAIL(qPrintable(QString::fromStdString(pool.Notation()) +
                                     QString(": total %1").arg(total)));
            ++pools;
        };
        for (std::size_t a = 0; a < kinds.size(); ++a) {
            check({kinds[a]});
            for (std::size_t b = a; b < kinds.size(); ++b) {
                check({kinds[a], kinds[b]});
                for (std::size_t c = b; c < kinds.size(); ++c)
                    check({kinds[a], kinds[b], kinds[c]});
            }
        }
        QVERIFY(pools > 29000);
    }

    // Larger pools, whole and checkpointed (no room but for the middle window, and room for
    // several), read in order, in reverse and shuffled, against convolution modulo two primes.
    void largePoolsAgreeWithConvolution_data() {
        QTest::addColumn<QString>("notation");
        QTest::newRow("40d6 + 30d8 - 1d20") << "40d6 + 30d8 - 1d20";
        QTest::newRow("300d6 + 200d8") << "300d6 + 200d8";
        QTest::newRow("four sizes") << "20d6 + 15d8 + 10d10 - 5d12 + 3dF + 7";
    }
    void largePoolsAgreeWithConvolution() {
        QFETCH(QString, notation);
        const DicePool pool = ParsePool(notation.toStdString());
        const DistributionTable whole = Computed(pool);
        QVERIFY(!whole.IsCheckpointed());
        std::vector<std::int64_t> order;
        for (std::int64_t t = whole.MinValue(); t <= whole.MaxValue(); ++t)
            order.push_back(t);
        std::vector<std::int64_t> shuffled = order;
        std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(11));
        const std::vector<std::int64_t> reversed(order.rbegin(), order.rend());

        for (const std::uint64_t modulus :
             {std::uint64_t{2305843009213693951}, std::uint64_t{4611686018427387847}}) {
            const auto expected = Convolved<std::uint64_t>(pool, modulus);
            QCOMPARE(Totals(whole),
                     QString("%1 … %2").arg(expected.begin()->first).arg(expected.rbegin()->first));
            CountReader wholeReader(whole);
            for (const std::int64_t t : order)
                QCOMPARE(Modulo(wholeReader.Count(t), modulus), expected.at(t));
        }
        for (const std::uint64_t budget : {std::uint64_t{1}, whole.StorageBytes() * 3 / 4}) {
            const DistributionTable table = Computed(pool, budget);
            QVERIFY(table.IsCheckpointed());
            for (const auto& totals : {order, reversed, shuffled}) {
                CountReader reader(table);
                CountReader wholeReader(whole);
                for (const std::int64_t t : totals)
                    if (!std::ranges::equal(reader.Count(t), wholeReader.Count(t)))
                        QFAIL(qPrintable(QString("total %1 differs").arg(t)));
            }
            for (const std::int64_t t : order) {
                QCOMPARE(table.DigitCount(t), whole.DigitCount(t));
                QCOMPARE(table.LeadingDigits(t, 40), whole.LeadingDigits(t, 40));
                QCOMPARE(RelativeDifference(table.AtMostShare(t), whole.AtMostShare(t)), 0.0L);
            }
        }
    }

    void notation_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("notation");
        QTest::addColumn<int>("minValue");
        QTest::addColumn<int>("maxValue");
        QTest::newRow("sum and constant") << "3d6 + 2d8 + 5"
                                          << "3d6 + 2d8 + 5" << 10 << 39;
        QTest::newRow("no spaces, D") << "3D6+2d8+5"
                                      << "3d6 + 2d8 + 5" << 10 << 39;
        QTest::newRow("one die") << "d20 + 7"
                                 << "1d20 + 7" << 8 << 27;
        QTest::newRow("subtracted") << "2d6 - 1d4"
                                    << "2d6 - 1d4" << -2 << 11;
        QTest::newRow("typographic minus") << "2d6 \u2212 1d4"
                                           << "2d6 - 1d4" << -2 << 11;
        QTest::newRow("leading sign") << " -2d6 + 20 "
                                      << "-2d6 + 20" << 8 << 18;
        QTest::newRow("percentile") << "d%"
                                    << "1d100" << 1 << 100;
        QTest::newRow("fudge") << "4dF"
                               << "4dF" << -4 << 4;
        QTest::newRow("equal sizes merge") << "3d6 + 2d6 - 1"
                                           << "5d6 - 1" << 4 << 29;
        QTest::newRow("d1 is a constant") << "3d1 + 2"
                                          << "3d1 + 2" << 5 << 5;
        QTest::newRow("largest") << "10000d1000"
                                 << "10000d1000" << 10000 << 10000000;
    }
    void notation() {
        QFETCH(QString, text);
        const DicePool pool = ParsePool(text.toStdString());
        QTEST(QString::fromStdString(pool.Notation()), "notation");
        QTEST(pool.MinValue(), "minValue");
        QTEST(pool.MaxValue(), "maxValue");
    }

    void notationErrors_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("stray letter")
            << "3d6 + 2x8"
            << "3d6 + 2x8: 'x' at position 7 is not part of a die or a number";
        QTest::newRow("too many dice") << "5000d6 + 5001d8"
                                       << "10001 dice: at most 10000 dice in all";
        QTest::newRow("empty") << "  "
                               << "  : no dice or number given";
        QTest::newRow("trailing sign") << "3d6 +"
                                       << "3d6 +: a term is missing at position 5";
        QTest::newRow("missing sign") << "3d6 2d8"
                                      << "3d6 2d8: + or - missing at position 4";
        QTest::newRow("no faces") << "3d"
                                  << "3d: the number of faces is missing at position 2";
        QTest::newRow("no dice in a term")
            << "0d6"
            << "0d6: the number of dice at position 0 must be from 1 to 10000";
        QTest::newRow("too many faces")
            << "2d1001"
            << "2d1001: the number of faces at position 2 must be from 1 to 1000";
        QTest::newRow("two modifiers") << "3d6d8"
                                       << "3d6d8: + or - missing at position 3";
        QTest::newRow("constant too large")
            << "1d6 + 99999999999"
            << "1d6 + 99999999999: the number at position 6 is too large";
        QTest::newRow("totals beyond 32 bits")
            << "d6 + 2147483647"
            << "d6 + 2147483647: totals must stay within -2147483648 to "
               "2147483647";
        QTest::newRow("not ASCII") << "3d6 \u00d7 2"
                                   << "3d6 \u00d7 2: '\u00d7' at position 4 is not "
                                      "part of a die or a number";
    }
    void notationErrors() {
        QFETCH(QString, text);
        QFETCH(QString, message);
        try {
            ParsePool(text.toStdString());
            QFAIL("no error");
        } catch (const NotationError& error) {
            QCOMPARE(QString::fromUtf8(error.what()), message);
        }
    }

    // Terms after the spin edits' dice count towards the 10000 dice in all; the dice alone
    // may be typed beyond it.
    void furtherTermsAfterDice() {
        const DicePool plain = DicePool::Plain(3, 6);
        QCOMPARE(ParsePool("+ 2d8 + 5", plain).Notation(), "3d6 + 2d8 + 5");
        QCOMPARE(ParsePool("2d6", plain).Notation(), "5d6");
        QVERIFY_THROWS_EXCEPTION(NotationError, ParsePool("+ 1d6", DicePool::Plain(10000, 6)));
        QCOMPARE(DicePool::Plain(20000, 6).DiceCount(), 20000);
    }

    // Summary texts of pools, from their exact counts: 3d6 + 2d8 + 5 has 13824 outcomes, 1206
    // of them at 24; a pool of negative totals lists them with their signs.
    void labelsAndListingOfPools() {
        const DistributionTable table = Computed(ParsePool("3d6 + 2d8 + 5"));
        QCOMPARE(TotalPossibleRollsText(table.pool()), "Total Possible Rolls: 13824");
        QCOMPARE(RangeText(table.pool().Bounds()), "Min.: 10    Max.: 39");
        QCOMPARE(ValueText(table.pool().Bounds()), "Value: 24.5");
        QCOMPARE(ValuePossibilitiesText(table), "Value Possibilities: 1206");
        QCOMPARE(ProbabilityText(table), "Probability of Value: 8.723%");

        const DistributionTable negative = Computed(ParsePool("-2d6 - 3"));
        const Listing listing(negative);
        QCOMPARE(listing.LineCount(), 11);
        QCOMPARE(listing.Line(0), "-15: 1");
        QCOMPARE(listing.Line(5), "-10: 6");
        QCOMPARE(listing.Line(10), " -5: 1");
        QCOMPARE(ValueText(negative.pool().Bounds()), "Value: -10");
        QCOMPARE(SpreadLines(ParsePool("-3d6")).back(), "Most likely totals: -11 and -10");
        // Totals up to 1 are there to draw, and cannot occur.
        QCOMPARE(negative.LastTotal(), 1);
        QVERIFY(negative.IsZero(0));
        QCOMPARE(negative.AtMostShare(1).Format(6), "1");
        QCOMPARE(negative.AtLeastShare(1).Format(6), "0");
    }
};

QTEST_APPLESS_MAIN(TestPools)
#include "tst_pools.moc"
