// SPDX-License-Identifier: MIT
#include "distribution.h"
#include "pool_notation.h"
#include "share_plot.h"

#include <QTest>

#include <cmath>
#include <memory>

using namespace dorvanel;

Q_DECLARE_METATYPE(dorvanel::ShareView)

namespace {

std::shared_ptr<const DistributionTable> Table(const char* pool) {
    return std::make_shared<const DistributionTable>(ComputeDistribution(ParsePool(pool)));
}

} // namespace

class TestSharePlot : public QObject {
    Q_OBJECT
private slots:
    // The chance of a total, of it or more, of it or less, and where the plot puts it: 400 × 200
    // pixels, the top standing for the highest exact share, or for all outcomes.
    void views_data() {
        QTest::addColumn<ShareView>("view");
        QTest::addColumn<int>("total");
        QTest::addColumn<int>("outcomes"); // of 216
        QTest::addColumn<int>("y");
        QTest::newRow("exactly, the peak") << ShareView::Exactly << 10 << 27 << 10;
        QTest::newRow("exactly, the least") << ShareView::Exactly << 3 << 1 << 184;
        QTest::newRow("exactly, cannot occur") << ShareView::Exactly << 19 << 0 << 190;
        QTest::newRow("at least, the middle") << ShareView::AtLeast << 10 << 135 << 78;
        QTest::newRow("at least, the smallest") << ShareView::AtLeast << 3 << 216 << 10;
        QTest::newRow("at least, below all") << ShareView::AtLeast << 1 << 216 << 10;
        QTest::newRow("at least, the largest") << ShareView::AtLeast << 18 << 1 << 190;
        QTest::newRow("at most, the middle") << ShareView::AtMost << 10 << 108 << 100;
        QTest::newRow("at most, below all") << ShareView::AtMost << 2 << 0 << 190;
        QTest::newRow("at most, the largest") << ShareView::AtMost << 18 << 216 << 10;
    }
    void views() {
        QFETCH(ShareView, view);
        QFETCH(int, total);
        QFETCH(int, outcomes);
        const SharePlot plot({Table("3d6")}, {true, false, kLineStyle, view, false}, 400, 200);
        const long double share = ShareAt(*plot.Tables().front(), total, view);
        QVERIFY(std::fabs(share - outcomes / 216.0L) < 1e-15L);
        QTEST(static_cast<int>(plot.Y(share)), "y");
    }

    // The X range takes in every pool, as the counts' graph places one: a free step before the
    // whole range, the possible totals from the left edge.
    void poolsShareTheRange_data() {
        QTest::addColumn<bool>("wholeX");
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<int>("x3");
        QTest::addColumn<int>("x25");
        QTest::newRow("whole, line") << true << kLineStyle << 1 << 25 << 46 << 384;
        QTest::newRow("whole, bar") << true << kBarStyle << 1 << 25 << 61 << 400;
        QTest::newRow("possible, line") << false << kLineStyle << 3 << 25 << 0 << 382;
    }
    void poolsShareTheRange() {
        QFETCH(bool, wholeX);
        QFETCH(int, style);
        const SharePlot plot({Table("3d6"), Table("1d20 + 5")},
                             {wholeX, false, style, ShareView::Exactly, false}, 400, 200);
        QTEST(static_cast<int>(plot.FirstTotal()), "first");
        QTEST(static_cast<int>(plot.LastTotal()), "last");
        QTEST(static_cast<int>(plot.X(3)), "x3");
        QTEST(static_cast<int>(plot.X(25)), "x25");
        for (std::int64_t total = plot.FirstTotal(); total <= plot.LastTotal(); ++total)
            QCOMPARE(plot.TotalAtColumn(plot.ColumnOfTotal(total)), total);
    }

    // From the first total whose at-most share reaches one in a million to the last whose
    // at-least share does.
    void likelyTotals_data() {
        QTest::addColumn<int>("dice");
        QTest::addColumn<int>("faces");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::newRow("3d6: all of them") << 3 << 6 << 3 << 18;
        QTest::newRow("10d6") << 10 << 6 << 12 << 58;
        QTest::newRow("100d10") << 100 << 10 << 415 << 685;
#ifndef DORVANEL_SANITIZED
        QTest::newRow("10000d1000") << 10000 << 1000 << 4867794 << 5142206;
#endif
    }
    void likelyTotals() {
        QFETCH(int, dice);
        QFETCH(int, faces);
        // A few checkpoints do: the shares come from the sums the table keeps.
        RunControl control;
        control.purpose = TablePurpose::Summary;
        const auto [first, last] =
            LikelyTotals(ComputeDistribution(DicePool::Plain(dice, faces), control));
        QTEST(first, "first");
        QTEST(last, "last");
    }

    // Ticks at steps of 1, 2 or 5 times a power of ten, as many as the room allows.
    void axisTicks_data() {
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::addColumn<int>("pixels");
        QTest::addColumn<int>("spacing");
        QTest::addColumn<double>("leastStep");
        QTest::addColumn<QList<double>>("ticks");
        QTest::newRow("totals of 3d6")
            << 3.0 << 18.0 << 441 << 40 << 1.0 << QList<double>{4, 6, 8, 10, 12, 14, 16, 18};
        QTest::newRow("few totals, whole steps")
            << 3.0 << 5.0 << 441 << 10 << 1.0 << QList<double>{3, 4, 5};
        QTest::newRow("a share's scale") << 0.0 << 0.125 << 186 << 26 << 0.0
                                         << QList<double>{0, 0.02, 0.04, 0.06, 0.08, 0.1, 0.12};
        QTest::newRow("millions") << 1.0 << 1e7 << 400 << 60 << 1.0
                                  << QList<double>{2e6, 4e6, 6e6, 8e6, 1e7};
        QTest::newRow("no room") << 0.0 << 1.0 << 0 << 20 << 0.0 << QList<double>{};
        QTest::newRow("one value") << 5.0 << 5.0 << 400 << 20 << 1.0 << QList<double>{};
    }
    void axisTicks() {
        QFETCH(double, low);
        QFETCH(double, high);
        QFETCH(int, pixels);
        QFETCH(int, spacing);
        QFETCH(double, leastStep);
        QFETCH(QList<double>, ticks);
        const std::vector<long double> got = AxisTicks(low, high, pixels, spacing, leastStep);
        QCOMPARE(got.size(), std::size_t(ticks.size()));
        for (std::size_t i = 0; i < got.size(); ++i)
            QVERIFY2(std::fabs(got[i] - ticks[int(i)]) <= 1e-9L * std::max(1.0, ticks[int(i)]),
                     qPrintable(QString::number(double(got[i]))));
    }
};

QTEST_MAIN(TestSharePlot)
#include "tst_share_plot.moc"
