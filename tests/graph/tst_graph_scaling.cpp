// SPDX-License-Identifier: MIT
#include "decimal.h"
#include "errors.h"
#include "graph_scaling.h"
#include "pool_notation.h"
#include "table_cache.h"
#include "whole_range_scale.h"

#include <QTest>

#include <stdexcept>

using namespace dorvanel;

namespace {

GraphOptions Options(bool wholeX, bool wholeY, int style) {
    return GraphOptions{wholeX, wholeY, style};
}

} // namespace

class TestGraphScaling : public QObject {
    Q_OBJECT
private slots:
    void referenceWidthAndTop_data() {
        QTest::addColumn<int>("dice");
        QTest::addColumn<int>("faces");
        QTest::addColumn<bool>("wholeY");
        QTest::addColumn<int>("referenceWidth");
        QTest::addColumn<double>("yTop");
        QTest::newRow("3d6 peak") << 3 << 6 << false << 2 << 27.0;
        QTest::newRow("3d6 whole") << 3 << 6 << true << 4 << 216.0;
        QTest::newRow("10d6 peak") << 10 << 6 << false << 7 << 43954.0;
        QTest::newRow("10d6 whole") << 10 << 6 << true << 9 << 6046.6176;
        QTest::newRow("6d6 whole") << 6 << 6 << true << 6 << 4665.6;
        QTest::newRow("1d1 peak") << 1 << 1 << false << 1 << 1.0;
        QTest::newRow("1d1 whole") << 1 << 1 << true << 2 << 1.0;
        // A power of ten from 10^4 on: counts in tenths of the top's units, top not divided.
        QTest::newRow("4d10 whole") << 4 << 10 << true << 6 << 10000.0;
        QTest::newRow("7d1000 whole") << 7 << 1000 << true << 23 << 10000.0;
        QTest::newRow("11d100 whole") << 11 << 100 << true << 24 << 10000.0;
        QTest::newRow("22d10 whole") << 22 << 10 << true << 24 << 10000.0;
        // Around the end of the double range (1.8 × 10^308), and beyond it.
        QTest::newRow("396d6 whole") << 396 << 6 << true << 310 << 1405.7081148316920;
        QTest::newRow("397d6 whole") << 397 << 6 << true << 310 << 8434.2486889901520;
        QTest::newRow("400d6 whole") << 400 << 6 << true << 313 << 1821.7977168218728;
        QTest::newRow("120d1000 whole") << 120 << 1000 << true << 362 << 10000.0;
        QTest::newRow("400d6 peak") << 400 << 6 << false << 310 << 21270.0;
    }
    void referenceWidthAndTop() {
        QFETCH(int, dice);
        QFETCH(int, faces);
        QFETCH(bool, wholeY);
        QFETCH(int, referenceWidth);
        QFETCH(double, yTop);
        const GraphScaling scaling(CachedTable(dice, faces), Options(true, wholeY, kLineStyle), 400,
                                   200);
        QCOMPARE(scaling.ReferenceWidth(), referenceWidth);
        QCOMPARE(scaling.YTop(), yTop);
    }

    void scaledCounts_data() {
        QTest::addColumn<int>("dice");
        QTest::addColumn<int>("faces");
        QTest::addColumn<bool>("wholeY");
        QTest::addColumn<int>("total");
        QTest::addColumn<int>("scaled");
        QTest::newRow("3d6 peak, peak") << 3 << 6 << false << 10 << 27;
        QTest::newRow("3d6 peak, impossible total") << 3 << 6 << false << 1 << 0;
        QTest::newRow("3d6 whole, upper half") << 3 << 6 << true << 13 << 21;
        // 43954.5 and 439.5: halves go to the even neighbour, down and up.
        QTest::newRow("10d6 peak, half down") << 10 << 6 << false << 35 << 43954;
        QTest::newRow("10d6 peak, 4325310") << 10 << 6 << false << 34 << 43253;
        QTest::newRow("10d6 whole, half up") << 10 << 6 << true << 35 << 440;
        QTest::newRow("10d6 whole, six digits short") << 10 << 6 << true << 10 << 0;
        QTest::newRow("6d6 whole") << 6 << 6 << true << 21 << 433;
        QTest::newRow("4d10 whole, tenths") << 4 << 10 << true << 22 << 67;
        QTest::newRow("400d6 whole, 310 digits") << 400 << 6 << true << 1400 << 21;
    }
    void scaledCounts() {
        QFETCH(int, dice);
        QFETCH(int, faces);
        QFETCH(bool, wholeY);
        QFETCH(int, total);
        QFETCH(int, scaled);
        const GraphScaling scaling(CachedTable(dice, faces), Options(true, wholeY, kLineStyle), 400,
                                   200);
        QCOMPARE(scaling.Scaled(total), scaled);
    }

    void yPositions_data() {
        QTest::addColumn<int>("dice");
        QTest::addColumn<int>("faces");
        QTest::addColumn<bool>("wholeY");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("total");
        QTest::addColumn<qint64>("y");
        QTest::newRow("peak at the top") << 3 << 6 << false << 200 << 10 << qint64{10};
        QTest::newRow("peak, smallest total") << 3 << 6 << false << 200 << 3 << qint64{184};
        QTest::newRow("peak, largest total") << 3 << 6 << false << 200 << 18 << qint64{184};
        QTest::newRow("peak, impossible total") << 3 << 6 << false << 200 << 1 << qint64{190};
        QTest::newRow("whole, peak") << 3 << 6 << true << 200 << 10 << qint64{168};
        QTest::newRow("whole, truncated to 0") << 3 << 6 << true << 200 << 3 << qint64{190};
        QTest::newRow("whole, tenths of 10^4") << 4 << 10 << true << 200 << 22 << qint64{189};
        QTest::newRow("whole, beyond doubles") << 400 << 6 << true << 200 << 1400 << qint64{188};
        // Below 20 pixels the plot turns over; at 20 everything lies on the baseline.
        QTest::newRow("15 high, peak") << 3 << 6 << false << 15 << 10 << qint64{10};
        QTest::newRow("15 high, smallest") << 3 << 6 << false << 15 << 3 << qint64{5};
        QTest::newRow("no height, peak") << 3 << 6 << false << 0 << 10 << qint64{10};
        QTest::newRow("20 high, peak") << 3 << 6 << false << 20 << 10 << qint64{10};
        QTest::newRow("20 high, smallest") << 3 << 6 << false << 20 << 3 << qint64{10};
        // Scaled count times height beyond 32 bits.
        QTest::newRow("10d6, 50000 high") << 10 << 6 << false << 50000 << 35 << qint64{10};
        QTest::newRow("tallest, smallest")
            << 3 << 6 << false << 2147483647 << 3 << qint64{2067947207};
    }
    void yPositions() {
        QFETCH(int, dice);
        QFETCH(int, faces);
        QFETCH(bool, wholeY);
        QFETCH(int, height);
        QFETCH(int, total);
        QFETCH(qint64, y);
        const GraphScaling scaling(CachedTable(dice, faces), Options(true, wholeY, kLineStyle), 400,
                                   height);
        QCOMPARE(scaling.Y(total), y);
    }

    void xPositions_data() {
        QTest::addColumn<int>("dice");
        QTest::addColumn<int>("faces");
        QTest::addColumn<bool>("wholeX");
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("total");
        QTest::addColumn<qint64>("x");
        QTest::newRow("whole, line, 1") << 3 << 6 << true << kLineStyle << 400 << 1 << qint64{21};
        QTest::newRow("whole, line, 3") << 3 << 6 << true << kLineStyle << 400 << 3 << qint64{63};
        QTest::newRow("whole, line, 10")
            << 3 << 6 << true << kLineStyle << 400 << 10 << qint64{210};
        QTest::newRow("whole, line, 18")
            << 3 << 6 << true << kLineStyle << 400 << 18 << qint64{378};
        QTest::newRow("whole, bar, 3") << 3 << 6 << true << kBarStyle << 400 << 3 << qint64{84};
        QTest::newRow("whole, bar, 18") << 3 << 6 << true << kBarStyle << 400 << 18 << qint64{400};
        QTest::newRow("partial, line, 1")
            << 3 << 6 << false << kLineStyle << 400 << 1 << qint64{-50};
        QTest::newRow("partial, line, 3") << 3 << 6 << false << kLineStyle << 400 << 3 << qint64{0};
        QTest::newRow("partial, line, 10")
            << 3 << 6 << false << kLineStyle << 400 << 10 << qint64{175};
        QTest::newRow("partial, line, 18")
            << 3 << 6 << false << kLineStyle << 400 << 18 << qint64{375};
        QTest::newRow("partial, bar, 3") << 3 << 6 << false << kBarStyle << 400 << 3 << qint64{25};
        QTest::newRow("partial, bar, 18")
            << 3 << 6 << false << kBarStyle << 400 << 18 << qint64{400};
        QTest::newRow("unshifted bars, 18") << 3 << 6 << true << -1 << 400 << 18 << qint64{378};
        QTest::newRow("1d6 bar, first") << 1 << 6 << true << kBarStyle << 400 << 1 << qint64{114};
        // Width times total beyond 32 bits.
        QTest::newRow("widest, whole")
            << 3 << 6 << true << kLineStyle << 2147483647 << 18 << qint64{2034458191};
        QTest::newRow("widest, partial, far left")
            << 10000 << 1 << false << kLineStyle << 2147483647 << 1 << qint64{-21472688986353};
    }
    void xPositions() {
        QFETCH(int, dice);
        QFETCH(int, faces);
        QFETCH(bool, wholeX);
        QFETCH(int, style);
        QFETCH(int, width);
        QFETCH(int, total);
        QFETCH(qint64, x);
        const GraphScaling scaling(CachedTable(dice, faces), Options(wholeX, false, style), width,
                                   200);
        QCOMPARE(scaling.X(total), x);
    }

    // Pools: the whole X range from the smallest total (below zero here) to 1, a free step
    // before it; the peak of counts that are not symmetric at their largest count.
    void pools() {
        const DistributionTable negative = ComputeDistribution(ParsePool("-3d6 - 10"));
        const GraphScaling whole(negative, Options(true, false, kLineStyle), 400, 200);
        QCOMPARE(whole.X(-28), qint64{12});
        QCOMPARE(whole.X(1), qint64{387});
        QCOMPARE(whole.Scaled(0), 0);
        const GraphScaling partial(negative, Options(false, false, kLineStyle), 400, 200);
        QCOMPARE(partial.X(-28), qint64{0});
        QCOMPARE(partial.X(-13), qint64{375});

        const DistributionTable kept = ComputeDistribution(ParsePool("4d6kh3"));
        const GraphScaling peak(kept, Options(true, false, kLineStyle), 400, 200);
        QCOMPARE(peak.ReferenceWidth(), 3);
        QCOMPARE(peak.YTop(), 172.0);
        QCOMPARE(peak.Scaled(12), 167);
        QCOMPARE(peak.Y(13), qint64{10});
    }

    void rejectsMissingAnalysisAndForeignTotals() {
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument,
                                 GraphScaling(DistributionTable(), GraphOptions{}, 400, 200));
        const GraphScaling scaling(CachedTable(3, 6), GraphOptions{}, 400, 200);
        QVERIFY_THROWS_EXCEPTION(RangeCheckError, scaling.Scaled(0));
        QVERIFY_THROWS_EXCEPTION(RangeCheckError, scaling.Y(19));
    }

    // Within the double range the width comes from divisions of a rounded D^N, beyond it
    // from exact digits; both must give the digit count plus one, and the same top, on
    // either side of the border (powers of ten excepted: a double does not hold them).
    void wholeRangeAgreesWithExactDigits() {
        for (std::uint32_t faces = 2; faces <= 1000; ++faces) {
            Decimal outcomes(1);
            for (std::uint32_t dice = 1; outcomes.DigitCount() <= 312; ++dice) {
                outcomes.MultiplyBy(faces);
                const std::string digits = outcomes.ToString();
                if (digits.find_first_not_of('0', 1) == std::string::npos)
                    continue;
                const WholeRangeScale scale = WholeRangeScaleOf(static_cast<std::int32_t>(faces),
                                                                static_cast<std::int32_t>(dice));
                const QByteArray label = QString("%1d%2").arg(dice).arg(faces).toLatin1();
                QVERIFY2(scale.referenceWidth == static_cast<std::int32_t>(digits.size()) + 1,
                         label.constData());
                const std::size_t point = std::min<std::size_t>(digits.size(), 4);
                const double top = std::stod(digits.substr(0, point) + "." + digits.substr(point));
                QVERIFY2(qAbs(scale.yTop - top) <= top * 1e-13, label.constData());
            }
        }
    }

    // The accessor the scaling reads counts through, against the digit string.
    void leadingDigitsValue_data() {
        QTest::addColumn<int>("dice");
        QTest::addColumn<int>("faces");
        QTest::newRow("3d6") << 3 << 6;
        QTest::newRow("10d6: limb boundary") << 10 << 6;
        QTest::newRow("100d6: many limbs") << 100 << 6;
        QTest::newRow("40d100") << 40 << 100;
    }
    void leadingDigitsValue() {
        QFETCH(int, dice);
        QFETCH(int, faces);
        const DistributionTable& table = CachedTable(dice, faces);
        for (std::int64_t total = 1; total <= table.MaxValue(); ++total) {
            for (std::size_t k = 0; k <= kLimbDigits; ++k) {
                const std::string leading = table.LeadingDigits(total, k);
                const std::uint32_t expected = leading.empty() ? 0 : std::stoul(leading);
                QCOMPARE(table.LeadingDigitsValue(total, k), expected);
            }
        }
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, table.LeadingDigitsValue(1, 10));
    }
};

QTEST_APPLESS_MAIN(TestGraphScaling)
#include "tst_graph_scaling.moc"
