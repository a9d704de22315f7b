// SPDX-License-Identifier: MIT
#include "conversions.h"
#include "decimal.h"
#include "distribution.h"
#include "errors.h"
#include "exact_tables.h"
#include "graph_caption.h"
#include "pool_notation.h"
#include "readout.h"
#include "report.h"

#include <QTest>

#include <cmath>
#include <vector>

using namespace dorvanel;

namespace {

QStringList Labels(std::int32_t dice, std::int32_t faces) {
    const AnalysisBounds bounds = BeginAnalysis(dice, faces);
    const DistributionTable table = ComputeDistribution(DicePool::Plain(dice, faces));
    return {QString::fromStdString(TotalPossibleRollsText(dice, faces)),
            QString::fromStdString(RangeText(bounds)), QString::fromStdString(ValueText(bounds)),
            QString::fromStdString(ValuePossibilitiesText(table)),
            QString::fromStdString(ProbabilityText(table))};
}

QStringList ListingLines(const DistributionTable& table) {
    const Listing listing(table);
    QStringList lines;
    for (std::int64_t i = 0; i < listing.LineCount(); ++i)
        lines << QString::fromStdString(listing.Line(i));
    return lines;
}

} // namespace

class TestReport : public QObject {
    Q_OBJECT
private slots:
    // The figures teachers quote, checked by hand over every roll: the mean's fraction, negative
    // and reduced (-214/72 is -107/36), and shares reached exactly at a total (1 of 20 is 5 %, 9 of
    // 36 is 25 %).
    void statistics_data() {
        QTest::addColumn<QString>("pool");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("3d6") << "3d6"
                             << QStringList{"Mean: 10.5 (21/2)", "Standard deviation: 2.95804",
                                            "Median: 10", "Most likely: 10 and 11",
                                            "Percentiles: 5 %: 6, 25 %: 8, 75 %: 13, 95 %: 15"};
        QTest::newRow("1d20") << "1d20"
                              << QStringList{"Mean: 10.5 (21/2)", "Standard deviation: 5.76628",
                                             "Median: 10", "Most likely: 1 to 20",
                                             "Percentiles: 5 %: 1, 25 %: 5, 75 %: 15, 95 %: 19"};
        QTest::newRow("2d6kh1") << "2d6kh1"
                                << QStringList{"Mean: 4.47222222222222 (161/36)",
                                               "Standard deviation: 1.40408", "Median: 5",
                                               "Most likely: 6",
                                               "Percentiles: 5 %: 2, 25 %: 3, 75 %: 6, 95 %: 6"};
        QTest::newRow("1d2 - 2d6kh1")
            << "1d2 - 2d6kh1"
            << QStringList{"Mean: -2.97222222222222 (-107/36)", "Standard deviation: 1.49045",
                           "Median: -3", "Most likely: -4",
                           "Percentiles: 5 %: -5, 25 %: -4, 75 %: -2, "
                           "95 %: 0"};
        QTest::newRow("4d6kh3") << "4d6kh3"
                                << QStringList{"Mean: 12.2445987654321 (15869/1296)",
                                               "Standard deviation: 2.84684", "Median: 12",
                                               "Most likely: 13",
                                               "Percentiles: 5 %: 7, 25 %: 10, 75 %: 14, 95 %: 17"};
    }
    void statistics() {
        QFETCH(QString, pool);
        QStringList lines;
        for (const std::string& line :
             StatisticsLines(ComputeDistribution(ParsePool(pool.toStdString()))))
            lines << QString::fromStdString(line);
        QTEST(lines, "lines");
    }

    // The window leaves out a fraction longer than it reads, without reading the counts.
    void aLongFractionIsLeftOut() {
        const DistributionTable table = ComputeDistribution(ParsePool("30d6kh15"));
        const std::string whole = StatisticsLines(table).front();
        const std::string shown = StatisticsLines(table, '.', nullptr, 20).front();
        QVERIFY2(whole.find('/') != std::string::npos, whole.c_str());
        QCOMPARE(shown, whole.substr(0, whole.find(" (")));
    }

    void labels_data() {
        QTest::addColumn<int>("dice");
        QTest::addColumn<int>("faces");
        QTest::addColumn<QStringList>("labels");
        QTest::newRow("3d6") << 3 << 6
                             << QStringList{"Total Possible Rolls: 216", "Min.: 3    Max.: 18",
                                            "Value: 10.5", "Value Possibilities: 27",
                                            "Probability of Value: 12.5%"};
        QTest::newRow("1d6, cut not rounded")
            << 1 << 6
            << QStringList{"Total Possible Rolls: 6", "Min.: 1    Max.: 6", "Value: 3.5",
                           "Value Possibilities: 1", "Probability of Value: 16.666%"};
        QTest::newRow("2d6") << 2 << 6
                             << QStringList{"Total Possible Rolls: 36", "Min.: 2    Max.: 12",
                                            "Value: 7", "Value Possibilities: 6",
                                            "Probability of Value: 16.666%"};
        QTest::newRow("1d1") << 1 << 1
                             << QStringList{"Total Possible Rolls: 1", "Min.: 1    Max.: 1",
                                            "Value: 1", "Value Possibilities: 1",
                                            "Probability of Value: 100%"};
        QTest::newRow("1d1000, rounded to a double before the cut")
            << 1 << 1000
            << QStringList{"Total Possible Rolls: 1000", "Min.: 1    Max.: 1000", "Value: 500.5",
                           "Value Possibilities: 1", "Probability of Value: 0.1%"};
        QTest::newRow("20d6, exponent form")
            << 20 << 6
            << QStringList{"Total Possible Rolls: 3.65615844006298E15", "Min.: 20    Max.: 120",
                           "Value: 70", "Value Possibilities: 189456975899496",
                           "Probability of Value: 5.181%"};
        QTest::newRow("10d6") << 10 << 6
                              << QStringList{"Total Possible Rolls: 60466176",
                                             "Min.: 10    Max.: 60", "Value: 35",
                                             "Value Possibilities: 4395456",
                                             "Probability of Value: 7.269%"};
        // Beyond a double, inside the extended range: still the extended arithmetic.
        QTest::newRow("400d6") << 400 << 6
                               << QStringList{"Total Possible Rolls: 1.82179771682187E311",
                                              "Min.: 400    Max.: 2400", "Value: 1400",
                                              "Value Possibilities: 2.12698584564002E309",
                                              "Probability of Value: 1.167%"};
    }
    void labels() {
        QFETCH(int, dice);
        QFETCH(int, faces);
        QFETCH(QStringList, labels);
        QCOMPARE(Labels(dice, faces), labels);
    }

    void listing_data() {
        QTest::addColumn<int>("dice");
        QTest::addColumn<int>("faces");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("lineCount");
        QTest::newRow("3d6 first") << 3 << 6 << 0 << " 3: 1" << 16;
        QTest::newRow("3d6 peak") << 3 << 6 << 7 << "10: 27" << 16;
        QTest::newRow("3d6 last") << 3 << 6 << 15 << "18: 1" << 16;
        QTest::newRow("1d1") << 1 << 1 << 0 << "1: 1" << 1;
        QTest::newRow("1d1000 first") << 1 << 1000 << 0 << "   1: 1" << 1000;
        QTest::newRow("1d1000 last") << 1 << 1000 << 999 << "1000: 1" << 1000;
        QTest::newRow("10d6 first") << 10 << 6 << 0 << "10: 1" << 51;
        QTest::newRow("10d6 mean") << 10 << 6 << 25 << "35: 4395456" << 51;
        QTest::newRow("10d6 last") << 10 << 6 << 50 << "60: 1" << 51;
        QTest::newRow("2d1, only the reachable total") << 2 << 1 << 0 << "2: 1" << 1;
    }
    void listing() {
        QFETCH(int, dice);
        QFETCH(int, faces);
        QFETCH(int, line);
        QFETCH(QString, text);
        QFETCH(int, lineCount);
        const DistributionTable table = ComputeDistribution(DicePool::Plain(dice, faces));
        const Listing listing(table);
        QCOMPARE(listing.LineCount(), lineCount);
        QCOMPARE(QString::fromStdString(listing.Line(line)), text);
        QCOMPARE(listing.LineLength(line), static_cast<std::size_t>(text.size()));
    }

    void listingOf3d6() {
        const DistributionTable table = ComputeDistribution(DicePool::Plain(3, 6));
        QCOMPARE(ListingLines(table),
                 (QStringList{" 3: 1", " 4: 3", " 5: 6", " 6: 10", " 7: 15", " 8: 21", " 9: 25",
                              "10: 27", "11: 27", "12: 25", "13: 21", "14: 15", "15: 10", "16: 6",
                              "17: 3", "18: 1"}));
        QCOMPARE(Listing(DistributionTable()).LineCount(), 0);
    }

    // A table forced into checkpoints reports exactly what the whole one does.
    void checkpointedTableReportsTheSame_data() {
        QTest::addColumn<int>("dice");
        QTest::addColumn<int>("faces");
        QTest::addColumn<bool>("compareListing");
        QTest::newRow("3d6") << 3 << 6 << true;
        QTest::newRow("20d6") << 20 << 6 << true;
        QTest::newRow("37d11") << 37 << 11 << true;
        QTest::newRow("400d6, beyond the double range") << 400 << 6 << true;
        QTest::newRow("6400d6, beyond the extended range") << 6400 << 6 << false;
    }
    void checkpointedTableReportsTheSame() {
        QFETCH(int, dice);
        QFETCH(int, faces);
        QFETCH(bool, compareListing);
        const DistributionTable whole = ComputeDistribution(DicePool::Plain(dice, faces));
        const DistributionTable checkpointed = testing::Computed(dice, faces, true);
        QCOMPARE(ValuePossibilitiesText(checkpointed), ValuePossibilitiesText(whole));
        QCOMPARE(ProbabilityText(checkpointed), ProbabilityText(whole));
        if (compareListing)
            QCOMPARE(ListingLines(checkpointed), ListingLines(whole));
    }

    // A saved graph names its pool, the totals across and what its top stands for.
    void graphCaption_data() {
        QTest::addColumn<QString>("pool");
        QTest::addColumn<bool>("wholeX");
        QTest::addColumn<bool>("wholeY");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("3d6, whole X, peak")
            << "3d6" << true << false
            << QStringList{"3d6", "Totals 1 to 18, left to right", "Top: the largest count, 27"};
        QTest::newRow("a pool, possible totals, all outcomes")
            << "3d6 + 2d8 + 5" << false << true
            << QStringList{"3d6 + 2d8 + 5", "Totals 10 to 39, left to right",
                           "Top: all outcomes, 13824"};
        QTest::newRow("below zero, whole X reaches 1")
            << "2d6 - 20" << true << false
            << QStringList{"2d6 - 20", "Totals -18 to 1, left to right",
                           "Top: the largest count, 6"};
        QTest::newRow("long counts")
            << "1000d6" << false << false
            << QStringList{"1000d6", "Totals 1000 to 6000, left to right",
                           "Top: the largest count, 1.04628060382556E776 (777 digits)"};
    }
    void graphCaption() {
        QFETCH(QString, pool);
        QFETCH(bool, wholeX);
        QFETCH(bool, wholeY);
        const DistributionTable table = ComputeDistribution(ParsePool(pool.toStdString()));
        QStringList lines;
        for (const std::string& line : GraphCaptionLines(table, wholeX, wholeY))
            lines << QString::fromStdString(line);
        QTEST(lines, "lines");
    }

    void decimalSeparator() {
        const AnalysisBounds bounds = BeginAnalysis(3, 6);
        QCOMPARE(ValueText(bounds, ','), std::string("Value: 10,5"));
        QCOMPARE(ProbabilityText(ComputeDistribution(DicePool::Plain(3, 6)), ','),
                 std::string("Probability of Value: 12,5%"));
        QCOMPARE(TotalPossibleRollsText(20, 6, ','),
                 std::string("Total Possible Rolls: 3,65615844006298E15"));
    }

    void typedValuesOutsideTheRange_data() {
        QTest::addColumn<int>("dice");
        QTest::addColumn<int>("faces");
        QTest::addColumn<QString>("text");
        QTest::newRow("no dice") << 0 << 6 << "Total Possible Rolls: 1";
        QTest::newRow("negative dice") << -1 << 4 << "Total Possible Rolls: 0.25";
        QTest::newRow("tiny") << -10 << 6 << "Total Possible Rolls: 1.65381716879202E-8";
        QTest::newRow("no faces") << 5 << 0 << "Total Possible Rolls: 0";
        QTest::newRow("negative faces") << 3 << -6 << "Total Possible Rolls: -216";
        QTest::newRow("negative faces, overflowing")
            << 6401 << -6 << "Total Possible Rolls: -8.83392495776984E4980";
        QTest::newRow("negative faces, even power of ten")
            << 2000 << -1000 << "Total Possible Rolls: 1E6000";
        QTest::newRow("a power of ten") << 60000 << 1000 << "Total Possible Rolls: 1E180000";
        QTest::newRow("far beyond both ranges")
            << 40000 << 60000 << "Total Possible Rolls: 1.12205810139477E191126";
        QTest::newRow("the largest power worked out")
            << 664385 << 2 << "Total Possible Rolls: 6.51132262066516E199999";
    }
    void typedValuesOutsideTheRange() {
        QFETCH(int, dice);
        QFETCH(int, faces);
        QTEST(QString::fromStdString(TotalPossibleRollsText(dice, faces)), "text");
    }

    void zeroToANegativePower() {
        QVERIFY_THROWS_EXCEPTION(FloatingPointError, TotalPossibleRollsText(-1, 0));
    }

    void powersTooLargeToWorkOut() {
        // Far beyond any table that fits; the overflow error stands.
        QVERIFY_THROWS_EXCEPTION(FloatingPointError, TotalPossibleRollsText(1000000, 1000));
        QVERIFY_THROWS_EXCEPTION(FloatingPointError, TotalPossibleRollsText(664386, 2));
    }

    // Beyond the extended range D^N is rendered from its leading digits only: the text must be
    // the one its exact digits give, across bases and on both sides of every rounding.
    void beyondTheExtendedRangeAsFromExactDigits() {
        std::vector<std::uint32_t> bases{65535, 999'999'999, 1'000'000'007, 2147483647};
        for (std::uint32_t base = 2; base <= 1000; base += 37)
            bases.push_back(base);
        for (const std::uint32_t base : bases) {
            const auto first = static_cast<std::int32_t>(4933 / std::log10(base)) + 1;
            for (std::int32_t dice = first; dice <= first + 40; dice += 4) {
                const std::string exact = FormatIntegerDigits(
                    Decimal::Power(base, static_cast<std::uint32_t>(dice)).ToString());
                const auto faces = static_cast<std::int32_t>(base);
                QCOMPARE(TotalPossibleRollsText(dice, faces), "Total Possible Rolls: " + exact);
            }
        }
    }

    void beyondTheExtendedRange() {
        // 6^6400 passes 10^4932: the texts come from exact digits.
        QCOMPARE(Labels(6400, 6), (QStringList{"Total Possible Rolls: 1.47232082629497E4980",
                                               "Min.: 6400    Max.: 38400", "Value: 22400",
                                               "Value Possibilities: 4.29900919830675E4977",
                                               "Probability of Value: 0.291%"}));
    }

    void beyondTheExtendedRangeAgreesWithTheory() {
        // Two faces: the count at the mean is the central binomial coefficient C(n, n/2), whose
        // logarithm lgamma gives to about 13 digits, and whose share of 2^n is close to
        // sqrt(2 / (pi n)) (1 - 1 / (4n)), here 0.623…%.
        const int n = 16400;
        const DistributionTable table = ComputeDistribution(DicePool::Plain(n, 2));
        const long double log10Count = (std::lgamma(static_cast<long double>(n) + 1) -
                                        2 * std::lgamma(static_cast<long double>(n) / 2 + 1)) /
                                       std::log(10.0L);
        const long double exponent = std::floor(log10Count);
        const QString mantissa =
            QString::number(static_cast<double>(std::pow(10.0L, log10Count - exponent)), 'f', 11);
        const QString text = QString::fromStdString(ValuePossibilitiesText(table));
        QVERIFY2(text.startsWith("Value Possibilities: " + mantissa),
                 qPrintable(text + " vs " + mantissa));
        QVERIFY2(text.endsWith(QString("E%1").arg(static_cast<int>(exponent))), qPrintable(text));
        QCOMPARE(ProbabilityText(table), std::string("Probability of Value: 0.623%"));
        QCOMPARE(TotalPossibleRollsText(n, 2),
                 std::string("Total Possible Rolls: 7.79702432797315E4936"));
    }
};

QTEST_APPLESS_MAIN(TestReport)
#include "tst_report.moc"
