// SPDX-License-Identifier: MIT
#include "graph_drawing.h"
#include "plot_image.h"
#include "radio_group.h"
#include "share_drawing.h"
#include "spin_edit.h"
#include "window_fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace dorvanel;
using dorvanel::testing::WindowFixture;

namespace {

void AnalysePool(WindowFixture& fixture, const QString& pool) {
    TForm1& w = *fixture.window;
    w.edPool->setText(pool);
    w.Analyze->click();
    fixture.WaitForAnalysis();
}

// How many pixels of the picture, or of a part of it, have the colour.
int PixelsOf(const QImage& picture, QColor color, QRect part = {}) {
    if (part.isNull())
        part = picture.rect();
    int found = 0;
    for (int y = part.top(); y <= part.bottom(); ++y)
        for (int x = part.left(); x <= part.right(); ++x)
            found += picture.pixelColor(x, y) == color;
    return found;
}

// Today's graph of the window's analysis and options, painted afresh.
QImage CountsGraph(const TForm1& w) {
    QImage picture = w.vidGraf->BlankPicture();
    PaintGraph(picture, *w.AnalysisState(),
               {w.cbRange1->isChecked(), w.cbWholeY->isChecked(), w.radGraf->ItemIndex()},
               {w.dlgColor.Color(), w.dlgFill.Color(), w.dlgBG.Color()});
    return picture;
}

} // namespace

class TestWindowCompare : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    // Each kept pool is outlined in its own colour and named in the legend, in the top right
    // corner, up to six; clearing them brings back today's graph.
    void keptPoolsAreOutlinedInTheirColours() {
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        QVERIFY(w.Keepforcomparison1->isEnabled());
        QVERIFY(!w.Clearcomparison1->isEnabled());
        for (int dice = 1; dice <= 7; ++dice) {
            AnalysePool(fixture, QStringLiteral("%1d6").arg(dice));
            w.Keepforcomparison1->trigger();
        }
        QCOMPARE(w.Pins().size(), std::size_t{6});
        QVERIFY(!w.Keepforcomparison1->isEnabled());
        AnalysePool(fixture, "4d6kh3");
        const QImage& picture = w.vidGraf->Picture();
        const QRect legend(picture.width() - picture.width() / 4, 0, picture.width() / 4,
                           picture.height() / 2);
        for (const QColor& color : ComparisonColors()) {
            QVERIFY(PixelsOf(picture, color) > PixelsOf(picture, color, legend));
            QVERIFY(PixelsOf(picture, color, legend) > 0);
        }
        w.Clearcomparison1->trigger();
        QVERIFY(w.Pins().empty());
        QCOMPARE(w.vidGraf->Picture(), CountsGraph(w));
    }

    // "Exactly" with no pools kept and no new flags is today's graph, whatever was shown
    // before; the other views are not.
    void exactlyIsTodaysGraph_data() {
        QTest::addColumn<int>("style");
        QTest::addColumn<bool>("wholeY");
        QTest::newRow("line") << kLineStyle << false;
        QTest::newRow("bars, whole Y") << kBarStyle << true;
    }
    void exactlyIsTodaysGraph() {
        QFETCH(int, style);
        QFETCH(bool, wholeY);
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        w.radGraf->SetItemIndex(style);
        w.cbWholeY->setChecked(wholeY);
        for (QAction* view : {w.Atleast1, w.Atmost1, w.Likelytotalsonly1}) {
            view->trigger();
            QVERIFY(w.vidGraf->Picture() != CountsGraph(w));
        }
        w.Likelytotalsonly1->trigger();
        w.Exactly1->trigger();
        QCOMPARE(w.vidGraf->Picture(), CountsGraph(w));
    }

    // Pointing at a total tells each pool's three chances and, with one pool kept, how the
    // analysis shown fares against it, exactly counted.
    void theReadoutComparesThePools() {
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        w.Keepforcomparison1->trigger();
        AnalysePool(fixture, "4d6kh3");
        QTRY_VERIFY(!w.IsVersusRunning());
        w.vidGraf->setFocus();
        QTRY_VERIFY(w.vidGraf->hasFocus());
        QTest::keyClick(w.vidGraf, Qt::Key_Home);
        for (int i = 0; i < 7; ++i)
            QTest::keyClick(w.vidGraf, Qt::Key_Right);
        QCOMPARE(w.MarkedTotal(), 10);
        const QStringList lines = w.vidGraf->Marker()->readout;
        QCOMPARE(lines.mid(lines.size() - 3),
                 (QStringList{"4d6kh3: exactly 9.41358%, at least 82.4846%, at most 26.929%",
                              "3d6: exactly 12.5%, at least 62.5%, at most 50%",
                              "4d6kh3 beats 3d6: 62.2 %, ties 8.6 %"}));
        QCOMPARE(w.ReadoutAt(QPoint(w.vidGraf->Marker()->x, 50)), lines.join('\n'));
    }

    // Escape stops the counts against the kept pool as it stops a run; the readout says so, and
    // what the stopped work would have delivered never arrives.
    void escapeStopsTheCountsAgainstTheKeptPool() {
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        // A large pool kept and a small one analysed: the counts against it take a while.
        AnalysePool(fixture, "400d600");
        w.Keepforcomparison1->trigger();
        AnalysePool(fixture, "1d6");
        QVERIFY(w.IsVersusRunning());
        QTest::keyClick(&w, Qt::Key_Escape);
        QVERIFY(!w.IsVersusRunning());
        QTest::qWait(200);
        QVERIFY(!w.Versus());
        w.vidGraf->setFocus();
        QTRY_VERIFY(w.vidGraf->hasFocus());
        QTest::keyClick(w.vidGraf, Qt::Key_Home);
        QCOMPARE(w.vidGraf->Marker()->readout.last(), "1d6 against 400d600: stopped");
    }

    // With axes the plot moves right of its scale; pointing finds the totals where they are
    // drawn.
    void axesKeepThePointerOnItsTotal_data() {
        QTest::addColumn<bool>("compared");
        QTest::newRow("counts") << false;
        QTest::newRow("shares") << true;
    }
    void axesKeepThePointerOnItsTotal() {
        QFETCH(bool, compared);
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        if (compared)
            w.Keepforcomparison1->trigger();
        const QImage without = w.vidGraf->Picture();
        w.Showaxes1->trigger();
        QVERIFY(w.vidGraf->Picture() != without);
        w.vidGraf->setFocus();
        QTRY_VERIFY(w.vidGraf->hasFocus());
        for (const auto& [key, total] : {std::pair{Qt::Key_Home, 3}, std::pair{Qt::Key_End, 18}}) {
            QTest::keyClick(w.vidGraf, key);
            QVERIFY(w.ReadoutAt(QPoint(w.vidGraf->Marker()->x, 50))
                        .startsWith(QStringLiteral("Total: %1\n").arg(total)));
        }
    }
};

QTEST_MAIN(TestWindowCompare)
#include "tst_window_compare.moc"
