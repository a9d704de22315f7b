// SPDX-License-Identifier: MIT
#include "listing_view.h"
#include "plot_image.h"
#include "spin_edit.h"
#include "window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>

using namespace dorvanel;
using dorvanel::testing::k3d6Labels;
using dorvanel::testing::Labels;
using dorvanel::testing::WindowFixture;

namespace {

QStringList ListingLines(const ListingView& listing) {
    QStringList lines;
    for (std::int64_t i = 0; i < listing.LineCount(); ++i)
        lines << listing.LineText(i);
    return lines;
}

void Type(SpinEdit* box, const QString& text) {
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void startUp() {
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        QCOMPARE(w.windowTitle(), "Dorvanel v. 1.0");
        QCOMPARE(Labels(w), k3d6Labels);
        QCOMPARE(ListingLines(*w.meRes),
                 (QStringList{" 3: 1", " 4: 3", " 5: 6", " 6: 10", " 7: 15", " 8: 21", " 9: 25",
                              "10: 27", "11: 27", "12: 25", "13: 21", "14: 15", "15: 10", "16: 6",
                              "17: 3", "18: 1"}));
        // Spin edits and check boxes that need more room than laid out widen the window and
        // the listing; the plot keeps its laid-out size.
        QVERIFY(w.centralWidget()->width() >= 637);
        QCOMPARE(w.centralWidget()->height(), 336);
        QCOMPARE(w.vidGraf->size(), QSize(441, 226));
        QCOMPARE(w.lbDispSize->text(), "Display size: 441 x 206 pixels");
        QCOMPARE(w.SettingsDir(), fixture.DirPath());
        QCOMPARE(w.pb1->value(), 0);
        QCOMPARE(w.pb2->value(), 0);
        QVERIFY(fixture.errors.isEmpty());
    }

    void analyses_data() {
        QTest::addColumn<QString>("dice");
        QTest::addColumn<QString>("faces");
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<QString>("firstLine");
        QTest::addColumn<QString>("lastLine");
        QTest::newRow("1d6") << "1"
                             << "6"
                             << QStringList{"Total Possible Rolls: 6", "Min.: 1    Max.: 6",
                                            "Value: 3.5", "Value Possibilities: 1",
                                            "Probability of Value: 16.666%"}
                             << "1: 1"
                             << "6: 1";
        QTest::newRow("2d6") << "2"
                             << "6"
                             << QStringList{"Total Possible Rolls: 36", "Min.: 2    Max.: 12",
                                            "Value: 7", "Value Possibilities: 6",
                                            "Probability of Value: 16.666%"}
                             << " 2: 1"
                             << "12: 1";
        QTest::newRow("1d1") << "1"
                             << "1"
                             << QStringList{"Total Possible Rolls: 1", "Min.: 1    Max.: 1",
                                            "Value: 1", "Value Possibilities: 1",
                                            "Probability of Value: 100%"}
                             << "1: 1"
                             << "1: 1";
        QTest::newRow("1d1000") << "1"
                                << "1000"
                                << QStringList{"Total Possible Rolls: 1000",
                                               "Min.: 1    Max.: 1000", "Value: 500.5",
                                               "Value Possibilities: 1",
                                               "Probability of Value: 0.1%"}
                                << "   1: 1"
                                << "1000: 1";
        QTest::newRow("20d6") << "20"
                              << "6"
                              << QStringList{"Total Possible Rolls: 3.65615844006298E15",
                                             "Min.: 20    Max.: 120", "Value: 70",
                                             "Value Possibilities: 189456975899496",
                                             "Probability of Value: 5.181%"}
                              << " 20: 1"
                              << "120: 1";
        QTest::newRow("10d6") << "10"
                              << "6"
                              << QStringList{"Total Possible Rolls: 60466176",
                                             "Min.: 10    Max.: 60", "Value: 35",
                                             "Value Possibilities: 4395456",
                                             "Probability of Value: 7.269%"}
                              << "10: 1"
                              << "60: 1";
    }
    void analyses() {
        QFETCH(QString, dice);
        QFETCH(QString, faces);
        QFETCH(QStringList, labels);
        QFETCH(QString, firstLine);
        QFETCH(QString, lastLine);
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        Type(w.seDieNo, dice);
        Type(w.seDieType, faces);
        QTest::mouseClick(w.Analyze, Qt::LeftButton);
        fixture.WaitForAnalysis();
        QCOMPARE(Labels(w), labels);
        QCOMPARE(w.meRes->LineText(0), firstLine);
        QCOMPARE(w.meRes->LineText(w.meRes->LineCount() - 1), lastLine);
        QVERIFY(fixture.errors.isEmpty());
    }

    void enterRunsAnAnalysisFromAnyControl_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<bool>("keypad");
        QTest::newRow("dice box") << "seDieNo" << false;
        QTest::newRow("faces box") << "seDieType" << false;
        QTest::newRow("a button") << "Button1" << false;
        QTest::newRow("the Analyze button") << "Analyze" << false;
        QTest::newRow("the listing") << "meRes" << false;
        QTest::newRow("a check box") << "cbWholeY" << false;
        QTest::newRow("the keypad's Enter") << "seDieNo" << true;
    }
    void enterRunsAnAnalysisFromAnyControl() {
        QFETCH(QString, control);
        QFETCH(bool, keypad);
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        w.seDieNo->SetValue(10);
        QWidget* target = w.findChild<QWidget*>(control);
        QVERIFY(target);
        target->setFocus();
        QTRY_VERIFY(target->hasFocus());
        QSignalSpy pressed(w.Button1, &QPushButton::clicked);
        if (keypad)
            QTest::keyClick(target, Qt::Key_Enter, Qt::KeypadModifier);
        else
            QTest::keyClick(target, Qt::Key_Return);
        fixture.WaitForAnalysis();
        QCOMPARE(w.lbValNo->text(), "Value Possibilities: 4395456");
        QCOMPARE(pressed.count(), 0);
        QCOMPARE(w.meRes->LineCount(), 51);
    }

    // A box typed below its range and confirmed with Enter is refused with its range; the
    // labels, the listing and the graph keep the last analysis.
    void typedBelowTheRangeAndEnterIsRefused_data() {
        QTest::addColumn<bool>("dice");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("error");
        QTest::newRow("no dice") << true << "0"
                                 << "The number of dice must be from 1 to 10000: 0 was typed";
        QTest::newRow("negative dice")
            << true << "-3"
            << "The number of dice must be from 1 to 10000: -3 was typed";
        QTest::newRow("no faces") << false << "0"
                                  << "The number of faces must be from 1 to 1000: 0 was typed";
    }
    void typedBelowTheRangeAndEnterIsRefused() {
        QFETCH(bool, dice);
        QFETCH(QString, typed);
        QFETCH(QString, error);
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        const QImage graph = w.vidGraf->Picture();
        SpinEdit* box = dice ? w.seDieNo : w.seDieType;
        Type(box, typed);
        QTest::keyClick(box, Qt::Key_Return);
        fixture.WaitForAnalysis();
        QCOMPARE(fixture.errors, QStringList{error});
        QCOMPARE(Labels(w), k3d6Labels);
        QCOMPARE(w.meRes->LineCount(), 16);
        QCOMPARE(w.vidGraf->Picture(), graph);
        QVERIFY(w.vidGraf->isEnabled() && w.lbValNo->isEnabled());
    }

    void typedZeroAndClickRunsWithOne() {
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        Type(w.seDieNo, "0");
        QTest::mouseClick(w.Analyze, Qt::LeftButton);
        fixture.WaitForAnalysis();
        QCOMPARE(w.seDieNo->text(), "1");
        QCOMPARE(w.lbNum->text(), "Total Possible Rolls: 6");
        QCOMPARE(w.meRes->LineCount(), 6);
    }

    void spinEditValues_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("afterFocusLeaves");
        QTest::newRow("in range") << "42" << 42 << "42";
        QTest::newRow("above the range") << "20000" << 20000 << "10000";
        QTest::newRow("below the range") << "-5" << -5 << "1";
        QTest::newRow("not an integer") << "1-2" << 1 << "1-2";
        QTest::newRow("empty") << "" << 1 << "";
    }
    void spinEditValues() {
        QFETCH(QString, typed);
        QFETCH(int, value);
        QFETCH(QString, afterFocusLeaves);
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        Type(w.seDieNo, typed);
        QCOMPARE(w.seDieNo->Value(), value);
        w.seDieType->setFocus();
        QTRY_VERIFY(w.seDieType->hasFocus());
        QCOMPARE(w.seDieNo->text(), afterFocusLeaves);
    }

    void arrowsKeepToTheRange() {
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        w.seDieType->SetValue(999);
        w.seDieType->stepBy(5);
        QCOMPARE(w.seDieType->Value(), 1000);
        w.seDieType->SetValue(0);
        w.seDieType->stepBy(-1);
        QCOMPARE(w.seDieType->Value(), 1);
        QTest::keyClicks(w.seDieType, "x"); // letters are not taken
        QCOMPARE(w.seDieType->text(), "1");
    }

    void overflowBeyondTheRangeIsReported() {
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        Type(w.seDieNo, "3");
        Type(w.seDieType, "1000000000");
        QTest::keyClick(w.seDieType, Qt::Key_Return);
        fixture.WaitForAnalysis();
        QCOMPARE(fixture.errors, QStringList{"Integer overflow"});
        QCOMPARE(w.lbNum->text(), "Total Possible Rolls: 1E27");
        QCOMPARE(w.lbRng->text(), k3d6Labels[1]); // the command ended before the range
        QCOMPARE(w.meRes->LineCount(), 0);
        QCOMPARE(w.AnalysisState()->MinValue(), 3);
    }

    // Typed far beyond the spin boxes: a working space beyond any machine's memory, and one of
    // about 6 GB, beyond the window's budget of at most 1 GB a run however large the machine.
    void tablesThatCannotFitAreRefusedAndLoseNothing_data() {
        QTest::addColumn<QString>("dice");
        QTest::addColumn<QString>("faces");
        QTest::newRow("2147 D 1000000") << "2147"
                                        << "1000000";
        QTest::newRow("10000 D 46341") << "10000"
                                       << "46341";
    }
    void tablesThatCannotFitAreRefusedAndLoseNothing() {
        QFETCH(QString, dice);
        QFETCH(QString, faces);
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        Type(w.seDieNo, dice);
        Type(w.seDieType, faces);
        QTest::keyClick(w.seDieType, Qt::Key_Return);
        fixture.WaitForAnalysis();
        QCOMPARE(fixture.errors.size(), 1);
        QVERIFY2(fixture.errors[0].startsWith(
                     QStringLiteral("Not enough memory for %1 dice of %2 faces").arg(dice, faces)),
                 qPrintable(fixture.errors[0]));
        QCOMPARE(Labels(w), k3d6Labels);
        QCOMPARE(w.meRes->LineCount(), 16);
    }

    void analyzeDuringARunReplacesIt() {
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        w.seDieNo->SetValue(2000);
        w.seDieType->SetValue(100);
        QTest::mouseClick(w.Analyze, Qt::LeftButton);
        w.seDieNo->SetValue(10);
        w.seDieType->SetValue(6);
        QTest::mouseClick(w.Analyze, Qt::LeftButton);
        fixture.WaitForAnalysis();
        QTest::qWait(50);
        QCOMPARE(w.lbValNo->text(), "Value Possibilities: 4395456");
        QCOMPARE(w.AnalysisState()->MinValue(), 10);
        QCOMPARE(w.meRes->LineCount(), 51);
    }

    void progressMovesDuringALongRun() {
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        w.seDieNo->SetValue(3000);
        w.seDieType->SetValue(30);
        int highest = 0;
        QMetaObject::Connection watch = connect(w.pb1, &QProgressBar::valueChanged,
                                                [&](int v) { highest = std::max(highest, v); });
        QTest::mouseClick(w.Analyze, Qt::LeftButton);
        fixture.WaitForAnalysis();
        disconnect(watch);
        QVERIFY(highest > 0);
        QCOMPARE(w.pb1->value(), 0);
        QCOMPARE(w.lbRng->text(), "Min.: 3000    Max.: 90000");
    }

    void resizeReportsThePlotSize() {
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        const int menu = w.height() - w.centralWidget()->height();
        const int plotWidth = 441 + 800 - w.width();
        w.resize(800, 500 + menu);
        QTRY_COMPARE(w.vidGraf->size(), QSize(plotWidth, 500 - 84 - 26));
        QTRY_COMPARE(w.lbDispSize->text(),
                     QString("Display size: %1 x %2 pixels").arg(plotWidth).arg(370));
        QCOMPARE(w.vidGraf->Picture().size(), w.vidGraf->size());

        // Moving the splitter redraws at the new width but leaves the label alone.
        w.Splitter1->setSizes({300, 800 - 300 - 3});
        emit w.Splitter1->splitterMoved(300, 1);
        QCOMPARE(w.vidGraf->width(), 497);
        QCOMPARE(w.vidGraf->Picture().width(), 497);
        QCOMPARE(w.lbDispSize->text(), QString("Display size: %1 x 370 pixels").arg(plotWidth));

        w.resize(100, 500 + menu);
        QCOMPARE(w.width(), w.minimumWidth()); // no narrower than the layout
        QVERIFY(w.minimumWidth() >= 637);

        // No minimum height: the plot may become lower than its margins, and turns over.
        w.resize(800, 84 + 26 + 5 + menu);
        QTRY_COMPARE(w.vidGraf->height(), 5);
        QTRY_COMPARE(w.lbDispSize->text(), QString("Display size: 497 x -15 pixels"));
        QCOMPARE(w.vidGraf->Picture().height(), 5);

        // Down to the menu bar and the status line: the controls are cut off between them.
        w.resize(800, 1);
        QTRY_COMPARE(w.height(), w.menuBar()->height() + w.statusBar()->height());
    }

    // Tab walks the panel left to right, column by column, then reaches the listing and the
    // plot; the style group is one stop, at its checked item.
    void tabOrder() {
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        w.seDieNo->setFocus();
        QTRY_VERIFY(w.seDieNo->hasFocus());
        QStringList order;
        for (int i = 0; i < 12; ++i) {
            QWidget* focus = QApplication::focusWidget();
            while (focus && focus->objectName().isEmpty())
                focus = focus->parentWidget();
            order << (focus ? focus->objectName() : "(none)");
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(order,
                 (QStringList{"seDieNo", "seDieType", "Analyze", "edPool", "cbRange1", "Button1",
                              "radGraf", "Button2", "Button3", "cbWholeY", "meRes", "vidGraf"}));
    }

    void listingSelectionAndCopy() {
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        w.meRes->setFocus();
        QTest::keyClick(w.meRes, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(w.meRes, Qt::Key_C, Qt::ControlModifier);
        const QString copied = QApplication::clipboard()->text();
        QVERIFY(copied.startsWith(" 3: 1\n 4: 3\n"));
        QVERIFY(copied.endsWith("17: 3\n18: 1\n"));
        QCOMPARE(copied.count('\n'), 16);

        w.meRes->SelectLines(7, 8);
        w.meRes->CopySelection();
        QCOMPARE(QApplication::clipboard()->text(), "10: 27\n11: 27\n");
    }

    void longListingsScrollWithoutBuildingTheText() {
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        w.seDieNo->SetValue(300);
        w.seDieType->SetValue(100);
        QTest::mouseClick(w.Analyze, Qt::LeftButton);
        fixture.WaitForAnalysis();
        QCOMPARE(w.meRes->LineCount(), 29701);
        w.meRes->ScrollToLine(15000);
        QCOMPARE(w.meRes->FirstVisibleLine(), 15000);
        QVERIFY(w.meRes->LineText(15000).startsWith("15300: "));
        QVERIFY(!w.meRes->grab().isNull());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
