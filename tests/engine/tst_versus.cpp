// SPDX-License-Identifier: MIT
#include "distribution.h"
#include "pool_notation.h"
#include "readout.h"
#include "versus_counts.h"

#include <QTest>

using namespace dorvanel;

namespace {

Decimal Count(const DistributionTable& table, std::int64_t total) {
    return Decimal::FromDigits(table.Digits(total));
}

// Every pair of totals, each pair's outcomes the product of the two counts.
VersusCounts Convolved(const DicePool& a, const DicePool& b) {
    const DistributionTable ta = ComputeDistribution(a);
    const DistributionTable tb = ComputeDistribution(b);
    VersusCounts counts;
    for (std::int64_t i = ta.MinValue(); i <= ta.MaxValue(); ++i)
        for (std::int64_t j = tb.MinValue(); j <= tb.MaxValue(); ++j)
            (i > j    ? counts.higher
             : i == j ? counts.ties
                      : counts.lower) += Count(ta, i) * Count(tb, j);
    return counts;
}

} // namespace

class TestVersus : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    // The counts of A − B against every pair of totals, with the line the readout shows.
    void countsOfTheDifference_data() {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<QString>("text");
        QTest::newRow("keep 3 of 4 against 3d6") << "4d6kh3"
                                                 << "3d6"
                                                 << "4d6kh3 beats 3d6: 62.2 %, ties 8.6 %";
        QTest::newRow("advantage against +5") << "2d20kh1"
                                              << "1d20 + 5"
                                              << "2d20kh1 beats 1d20 + 5: 39.8 %, ties 4.7 %";
        QTest::newRow("negative totals and Fudge dice")
            << "2d6 - 1d4 - 3"
            << "4dF"
            << "2d6 - 1d4 - 3 beats 4dF: 62.2 %, ties 11.1 %";
        QTest::newRow("successes against a constant") << "10d10>=8"
                                                      << "3"
                                                      << "10d10>=8 beats 3: 35.0 %, ties 26.7 %";
        QTest::newRow("always the same") << "1d1"
                                         << "1"
                                         << "1d1 beats 1: 0 %, ties 100 %";
        QTest::newRow("never reached") << "1d6"
                                       << "2d6 + 6"
                                       << "1d6 beats 2d6 + 6: 0 %, ties 0 %";
    }
    void countsOfTheDifference() {
        QFETCH(QString, a);
        QFETCH(QString, b);
        const DicePool poolA = ParsePool(a.toStdString());
        const DicePool poolB = ParsePool(b.toStdString());
        const VersusCounts counts = ComputeVersus(poolA, poolB);
        const VersusCounts expected = Convolved(poolA, poolB);
        QCOMPARE(counts.higher.ToString(), expected.higher.ToString());
        QCOMPARE(counts.ties.ToString(), expected.ties.ToString());
        QCOMPARE(counts.lower.ToString(), expected.lower.ToString());
        QTEST(QString::fromStdString(VersusText(poolA.Notation(), poolB.Notation(), counts, '.')),
              "text");
    }
};

QTEST_MAIN(TestVersus)
#include "tst_versus.moc"
