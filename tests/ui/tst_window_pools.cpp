// SPDX-License-Identifier: MIT
#include "listing_view.h"
#include "plot_image.h"
#include "spin_edit.h"
#include "window_fixture.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace dorvanel;
using dorvanel::testing::k3d6Labels;
using dorvanel::testing::Labels;
using dorvanel::testing::WindowFixture;

namespace {

void Analyse(WindowFixture& fixture, int dice, int faces, const QString& terms) {
    TForm1& w = *fixture.window;
    w.seDieNo->SetValue(dice);
    w.seDieType->SetValue(faces);
    w.edPool->setText(terms);
    w.edPool->setFocus();
    QTest::keyClick(w.edPool, Qt::Key_Return);
    fixture.WaitForAnalysis();
}

} // namespace

class TestWindowPools : public QObject {
    Q_OBJECT
private slots:
    // The field's terms join the spin edits' dice; Enter in the field analyses them, and the
    // pool the results belong to is named.
    void aPoolIsAnalysed() {
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        QCOMPARE(w.lbPool->text(), "Analysed: 3d6");
        Analyse(fixture, 3, 6, "+ 2d8 + 5");
        QCOMPARE(Labels(w),
                 (QStringList{"Total Possible Rolls: 13824", "Min.: 10    Max.: 39", "Value: 24.5",
                              "Value Possibilities: 1206", "Probability of Value: 8.723%"}));
        QCOMPARE(w.lbPool->text(), "Analysed: 3d6 + 2d8 + 5");
        QCOMPARE(w.meRes->LineText(0), "10: 1");
        QCOMPARE(w.meRes->LineText(14), "24: 1206");
        QVERIFY(fixture.errors.isEmpty());
    }

    // The explosion depth chosen in the menu is the next analysis's; the status line names it
    // and how rarely a die gets that far, its tooltip says in words how the pool was read, and
    // restoring the defaults goes back to 10 extra rolls.
    void theExplosionDepthIsChosenAndNamed() {
        WindowFixture fixture;
        fixture.services.askNumber = [](QWidget*, const QString&, int value, int low, int high) {
            return value == 10 && low == 0 && high == 100 ? std::optional<int>(2) : std::nullopt;
        };
        TForm1& w = fixture.Start();
        w.Explosiondepth1->trigger();
        Analyse(fixture, 3, 6, "3d6!");
        QCOMPARE(w.lbRng->text(), "Min.: 3    Max.: 54");
        QCOMPARE(w.lbPool->text(), "Analysed: 3d6!; explosions stop after 2 extra rolls; 1 die in "
                                   "36 gets that far");
        QCOMPARE(w.lbPool->toolTip(), "3d6!: 3 six-sided dice, a 6 rolls again, added");
        QVERIFY(w.ReadoutAt(QPoint(w.vidGraf->Picture().width() / 4, 100))
                    .endsWith("\nExplosions stop after 2 extra rolls; 1 "
                              "die in 36 gets that far"));
        w.Restoredefaultsettings1->trigger();
        Analyse(fixture, 3, 6, "3d6!");
        QCOMPARE(w.lbRng->text(), "Min.: 3    Max.: 198");
        QVERIFY(fixture.errors.isEmpty());
    }

    // Totals below 1 are listed with their signs; the whole X range reaches from the smallest
    // total to 1, which cannot occur, and the readout finds the peak where it is drawn.
    void negativeTotalsAreListedAndDrawn() {
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        Analyse(fixture, 1, 6, "- 3d6 - 10");
        QCOMPARE(w.lbRng->text(), "Min.: -27    Max.: -7");
        QCOMPARE(w.meRes->LineText(0), "-27: 1");
        QCOMPARE(w.meRes->LineText(20), " -7: 1");
        // 441 pixels for the 29 totals -27 … 1 and a free step before them.
        const int width = w.vidGraf->Picture().width();
        QCOMPARE(width, 441);
        QVERIFY(w.ReadoutAt(QPoint((-17 + 28) * width / 30, 100)).startsWith("Total: -17\n"));
        QCOMPARE(w.ReadoutAt(QPoint(width - 2, 100)), "Total: 1 (cannot occur)");
    }

    // Text that starts with + or - adds to the boxes' dice; any other is the whole pool, the
    // boxes then drawn as not in use, and the limits are those of the pool analysed.
    void theFieldsTwoMeanings_data() {
        QTest::addColumn<QString>("terms");
        QTest::addColumn<QString>("analysed");
        QTest::addColumn<bool>("boxesInUse");
        QTest::addColumn<QString>("error");
        QTest::newRow("empty") << ""
                               << "Analysed: 2d4" << true << "";
        QTest::newRow("added") << "+ 4d6kh3"
                               << "Analysed: 2d4 + 4d6kh3" << true << "";
        QTest::newRow("subtracted") << " -1d4"
                                    << "Analysed: 2d4 - 1d4" << true << "";
        QTest::newRow("alone") << "4d6kh3"
                               << "Analysed: 4d6kh3" << false << "";
        QTest::newRow("alone, all the dice there are") << "5000d1 + 5000d1"
                                                       << "Analysed: 10000d1" << false << "";
        QTest::newRow("added, beyond the limit")
            << "+ 5000d1 + 4999d1"
            << "Analysed: 3d6" << true << "10001 dice: at most 10000 dice in all";
    }
    void theFieldsTwoMeanings() {
        QFETCH(QString, terms);
        QFETCH(bool, boxesInUse);
        QFETCH(QString, error);
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        Analyse(fixture, 2, 4, terms);
        QTEST(w.lbPool->text(), "analysed");
        QCOMPARE(fixture.errors, error.isEmpty() ? QStringList() : QStringList{error});
        QCOMPARE(w.seDieNo->isEnabled(), boxesInUse);
        QCOMPARE(w.seDieType->isEnabled(), boxesInUse);
        QCOMPARE(w.edPool->toolTip().startsWith("The whole pool"), !boxesInUse);
    }

    // A malformed pool is reported and changes nothing: the previous analysis stays whole.
    void aNotationErrorKeepsThePreviousAnalysis() {
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        Analyse(fixture, 3, 6, "+ 2x8");
        QCOMPARE(fixture.errors,
                 QStringList{"+ 2x8: 'x' at position 4 is not part of a die or a number"});
        QCOMPARE(Labels(w), k3d6Labels);
        QCOMPARE(w.lbPool->text(), "Analysed: 3d6");
        QCOMPARE(w.meRes->LineText(7), "10: 27");
    }
};

QTEST_MAIN(TestWindowPools)
#include "tst_window_pools.moc"
