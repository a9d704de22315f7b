// SPDX-License-Identifier: MIT
#include "distribution.h"
#include "exact_tables.h"
#include "power_by_squaring.h"
#include "readout.h"
#include "wide_number.h"

#include <QTest>

#include <cmath>

using namespace dorvanel;
using dorvanel::testing::AddExactTableRows;
using dorvanel::testing::Computed;
using dorvanel::testing::Outcomes;
using dorvanel::testing::ParseCount;
using dorvanel::testing::RelativeDifference;
using dorvanel::testing::UInt128;

namespace {

// Shares are good to a part in 10^17, so that the 17 digits an export writes are right.
constexpr long double kTolerance = 1e-17L;

void CompareShare(const WideNumber& share, long double expected, const char* what,
                  std::int64_t total) {
    const long double difference = RelativeDifference(share, WideNumber(expected));
    if (difference > kTolerance)
        QFAIL(qPrintable(QString("%1 of %2: %3, expected %4")
                             .arg(what)
                             .arg(total)
                             .arg(QString::fromStdString(share.Format(17)))
                             .arg(static_cast<double>(expected), 0, 'g', 17)));
}

} // namespace

class TestShares : public QObject {
    Q_OBJECT
private slots:
    // Against exact fractions, worked out here in integers for tables whose D^N fits 128 bits.
    void againstExactFractions_data() { AddExactTableRows(); }
    void againstExactFractions() {
        QFETCH(int, dice);
        QFETCH(int, faces);
        QFETCH(bool, checkpointed);
        const DistributionTable table = Computed(dice, faces, checkpointed);
        const UInt128 outcomes = Outcomes(dice, faces);
        auto count = [&](std::int64_t t) {
            return t < table.MinValue() ? 0 : ParseCount(table.Digits(t));
        };
        auto fraction = [&](UInt128 part) {
            return static_cast<long double>(part) / static_cast<long double>(outcomes);
        };
        UInt128 atMost = 0;
        for (std::int64_t t = 1; t <= table.MaxValue(); ++t) {
            atMost += count(t);
            if (t >= table.MinValue()) {
                CompareShare(table.Share(t), fraction(count(t)), "share", t);
                CompareShare(table.AtMostShare(t), fraction(atMost), "at most", t);
                CompareShare(table.AtLeastShare(t), fraction(outcomes - atMost + count(t)),
                             "at least", t);
            } else {
                QVERIFY(table.Share(t).IsZero());
                QVERIFY(table.AtMostShare(t).IsZero());
                CompareShare(table.AtLeastShare(t), 1, "at least", t);
            }
        }
    }

    // Far beyond the double range: the two ends of every split add up to all outcomes.
    void atMostAndAtLeastMakeOne_data() {
        QTest::addColumn<int>("dice");
        QTest::addColumn<int>("faces");
        QTest::addColumn<bool>("checkpointed");
        QTest::newRow("1000d1000") << 1000 << 1000 << false;
        QTest::newRow("400d6 checkpointed") << 400 << 6 << true;
        QTest::newRow("300d77 checkpointed") << 300 << 77 << true;
    }
    void atMostAndAtLeastMakeOne() {
        QFETCH(int, dice);
        QFETCH(int, faces);
        QFETCH(bool, checkpointed);
        const DistributionTable table = Computed(dice, faces, checkpointed);
        QCOMPARE(table.IsCheckpointed(), checkpointed);
        for (std::int64_t t = 1; t < table.MaxValue(); ++t) {
            const WideNumber sum = table.AtMostShare(t) + table.AtLeastShare(t + 1);
            if (RelativeDifference(sum, WideNumber(1.0L)) > kTolerance)
                QFAIL(qPrintable(
                    QString("total %1: %2").arg(t).arg(QString::fromStdString(sum.Format(17)))));
        }
        QCOMPARE(table.AtMostShare(table.MaxValue()).Format(17), std::string("1"));
        QCOMPARE(table.AtLeastShare(table.MinValue()).Format(17), std::string("1"));
    }

    void tinySharesKeepTheirDigits() {
        // One outcome in 6^10000, about 10^-7781.5: far below any floating type's range.
        const DistributionTable table = ComputeDistribution(DicePool::Plain(10000, 6));
        const WideNumber least = table.Share(table.MinValue());
        QCOMPARE(least.Exponent(), -7782);
        const WideNumber outcomes =
            PowerBySquaring(WideNumber(6.0L), 10000, WideNumber(1.0L),
                            [](const WideNumber& a, const WideNumber& b) { return a * b; });
        CompareShare(least * outcomes, 1, "share of one outcome", table.MinValue());
        QVERIFY2(least.Format(6).ends_with("E-7782"), least.Format(6).c_str());
    }

    // A count of thousands of digits reads as the mean's label renders it, in both forms.
    void readoutOfALongCount() {
        for (bool checkpointed : {false, true}) {
            const DistributionTable table = Computed(6400, 6, checkpointed);
            const std::vector<std::string> lines = ReadoutLines(table, 22400);
            QCOMPARE(lines.size(), std::size_t{5});
            QCOMPARE(lines[1], std::string("Count: 4.29900919830675E4977 (4978 digits)"));
            QCOMPARE(lines[2], std::string("Probability: 0.291989% (1 in 342)"));
            QCOMPARE(ReadoutLines(table, 6399),
                     std::vector<std::string>{"Total: 6399 (cannot occur)"});
        }
    }

    // Each share with the odds of one outcome in how many, and the exact fraction of all
    // outcomes while they number at most 15 digits.
    void readoutTellsOddsAndFractions_data() {
        QTest::addColumn<QString>("pool");
        QTest::addColumn<bool>("checkpointed");
        QTest::addColumn<int>("total");
        QTest::addColumn<int>("line");
        QTest::addColumn<char>("separator");
        QTest::addColumn<QString>("text");
        QTest::newRow("3d6, the total") << "3d6" << false << 9 << 2 << '.'
                                        << "Probability: 11.5741% (1 in 8.64), exactly 25/216";
        QTest::newRow("3d6, decimal comma") << "3d6" << false << 9 << 2 << ','
                                            << "Probability: 11,5741% (1 in 8,64), exactly 25/216";
        QTest::newRow("3d6, at least") << "3d6" << false << 15 << 4 << '.'
                                       << "At least 15: 9.25926% (1 in 10.8), exactly 20/216";
        QTest::newRow("3d6, checkpointed, at most")
            << "3d6" << true << 12 << 3 << '.'
            << "At most 12: 74.0741% (1 in 1.35), exactly 160/216";
        QTest::newRow("3d6, all of them")
            << "3d6" << false << 18 << 3 << '.' << "At most 18: 100% (1 in 1), exactly 216/216";
        QTest::newRow("3d6, all but one: not 1 in 1")
            << "3d6" << false << 17 << 3 << '.'
            << "At most 17: 99.537% (1 in 1.005), exactly 215/216";
        QTest::newRow("10d6, all but one: not 1 in 1")
            << "10d6" << false << 11 << 4 << '.'
            << "At least 11: 100% (1 in 1.00000002), exactly 60466175/60466176";
        QTest::newRow("fifteen digits of outcomes")
            << "31dF" << false << 0 << 2 << '.'
            << "Probability: 8.7225% (1 in 11.5), exactly 53876592856681/617673396283947";
        QTest::newRow("sixteen digits: no fraction")
            << "20d6" << false << 70 << 2 << '.' << "Probability: 5.18186% (1 in 19.3)";
        QTest::newRow("odds in thousands, whole")
            << "10d6" << false << 60 << 4 << '.'
            << "At least 60: 1.65382E-6% (1 in 60466176), exactly 1/60466176";
        QTest::newRow("odds beyond fifteen digits")
            << "1000d6" << false << 1000 << 2 << '.' << "Probability: 7.0591E-777% (1 in 1.42E778)";
    }
    void readoutTellsOddsAndFractions() {
        QFETCH(QString, pool);
        QFETCH(bool, checkpointed);
        QFETCH(int, total);
        QFETCH(int, line);
        QFETCH(char, separator);
        const DistributionTable table = Computed(pool, checkpointed);
        QCOMPARE(table.IsCheckpointed(), checkpointed);
        QTEST(QString::fromStdString(ReadoutLines(table, total, separator).at(line)), "text");
    }

    void format_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("digits");
        QTest::addColumn<QString>("text");
        QTest::newRow("percent") << 7.269280597407477 << 6 << "7.26928";
        QTest::newRow("rounds up") << 53.63458396876958 << 6 << "53.6346";
        QTest::newRow("whole") << 100.0 << 6 << "100";
        QTest::newRow("rounds to the next power") << 99.9999999 << 6 << "100";
        QTest::newRow("small, plain") << 0.000123456789 << 6 << "0.000123457";
        QTest::newRow("first below 10^-4") << 1.2e-5 << 6 << "1.2E-5";
        QTest::newRow("tiny") << 1.23456789e-7 << 6 << "1.23457E-7";
        QTest::newRow("large") << 1234567.0 << 6 << "1.23457E6";
        QTest::newRow("seventeen digits") << 0.07269280597407477 << 17 << "0.072692805974074765";
        QTest::newRow("one") << 1.0 << 17 << "1";
        QTest::newRow("zero") << 0.0 << 6 << "0";
    }
    void format() {
        QFETCH(double, value);
        QFETCH(int, digits);
        QTEST(QString::fromStdString(WideNumber(value).Format(digits)), "text");
    }
};

QTEST_APPLESS_MAIN(TestShares)
#include "tst_shares.moc"
