// SPDX-License-Identifier: MIT
#include "color_dialog.h"
#include "color_swatch.h"
#include "graph_drawing.h"
#include "plot_image.h"
#include "radio_group.h"
#include "spin_edit.h"
#include "window_fixture.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTest>

using namespace dorvanel;
using dorvanel::testing::OnScreen;
using dorvanel::testing::WindowFixture;

namespace {

// Colour dialogs answered without showing one: with `answer`, or as if cancelled; each
// records the colour it offered.
struct ScriptedChooser {
    std::optional<QColor> answer;
    QList<QColor> offered;
};

// Starts the window with its colour dialogs answered by `chooser`.
TForm1& StartAnswering(WindowFixture& fixture, ScriptedChooser& chooser) {
    fixture.services.chooseColor = [&chooser](QWidget*, QColor initial) {
        chooser.offered << initial;
        return chooser.answer;
    };
    return fixture.Start();
}

QRgb At(const TForm1& w, int x, int y) {
    return w.vidGraf->Picture().pixel(x, y);
}

// The graph of the window's analysis and options, painted afresh.
QImage Repainted(const TForm1& w) {
    QImage picture = w.vidGraf->BlankPicture();
    PaintGraph(picture, *w.AnalysisState(),
               {w.cbRange1->isChecked(), w.cbWholeY->isChecked(), w.radGraf->ItemIndex()},
               {w.dlgColor.Color(), w.dlgFill.Color(), w.dlgBG.Color()});
    return picture;
}

void ClickCheckBox(QCheckBox* box) {
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

} // namespace

class TestWindowGraph : public QObject {
    Q_OBJECT
private slots:
    void startUpDrawsTheDefaultGraph() {
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        const QImage picture = w.vidGraf->Picture();
        QCOMPARE(picture.size(), QSize(441, 226));
        const int baseline = 226 - 10;
        QCOMPARE(QColor(picture.pixel(0, 0)), QColor(Qt::black));
        QCOMPARE(QColor(picture.pixel(440, baseline)), QColor(0, 255, 0)); // lime baseline
        // Totals 10 and 11 reach the top of the plot at y = 10.
        const int x10 = 441 * 10 / 19;
        QCOMPARE(QColor(picture.pixel(x10, 10)), QColor(0, 255, 0));
        // A blue stem runs under each point.
        QCOMPARE(QColor(picture.pixel(441 * 7 / 19, baseline - 5)), QColor(0, 0, 255));
    }

    // The chosen colour is held as 0x00BBGGRR for the settings, fills the swatch and is the one
    // drawn in its role: at the top of the peak (pen), in the stem under it (fill), above the
    // curve (background).
    void colourButtons_data() {
        QTest::addColumn<int>("role");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("swatch");
        QTest::addColumn<int>("y");
        const int x10 = 441 * 10 / 19;
        QTest::addColumn<int>("x");
        QTest::newRow("pen") << 0 << "Button1"
                             << "Shape1" << 10 << x10;
        QTest::newRow("fill") << 1 << "Button2"
                              << "Shape2" << 100 << x10;
        QTest::newRow("background") << 2 << "Button3"
                                    << "Shape3" << 5 << x10;
    }
    void colourButtons() {
        QFETCH(int, role);
        QFETCH(QString, button);
        QFETCH(QString, swatch);
        QFETCH(int, x);
        QFETCH(int, y);
        ScriptedChooser chooser{QColor(200, 100, 50), {}};
        WindowFixture fixture;
        TForm1& w = StartAnswering(fixture, chooser);
        auto* colourSwatch = w.findChild<ColorSwatch*>(swatch);
        const QColor before = OnScreen(colourSwatch);
        QTest::mouseClick(w.findChild<QPushButton*>(button), Qt::LeftButton);
        QCOMPARE(chooser.offered, QList<QColor>{before});
        const ColorDialog* dialogs[] = {&w.dlgColor, &w.dlgFill, &w.dlgBG};
        QCOMPARE(dialogs[role]->Color(), (50 << 16) | (100 << 8) | 200);
        QCOMPARE(OnScreen(colourSwatch), QColor(200, 100, 50));
        QCOMPARE(QColor(At(w, x, y)), QColor(200, 100, 50));
    }

    void aCancelledDialogStillRedraws() {
        ScriptedChooser chooser{std::nullopt, {}};
        WindowFixture fixture;
        TForm1& w = StartAnswering(fixture, chooser);
        // Changed without a click, so not yet drawn.
        w.cbWholeY->setChecked(true);
        const QImage before = w.vidGraf->Picture();
        QTest::mouseClick(w.Button1, Qt::LeftButton);
        QCOMPARE(w.dlgColor.Color(), 65280);
        QCOMPARE(OnScreen(w.Shape1), QColor(0, 255, 0));
        QVERIFY(w.vidGraf->Picture() != before);
    }

    // A swatch of the panel's own colour, black in a dark palette, keeps a frame that shows.
    void swatchesStandOutFromTheirPanel() {
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        QPalette dark = w.palette();
        dark.setColor(QPalette::Window, Qt::black);
        dark.setColor(QPalette::WindowText, Qt::white);
        w.setPalette(dark);
        const QImage swatch = w.Shape3->grab().toImage();
        QCOMPARE(swatch.pixelColor(swatch.width() / 2, swatch.height() / 2), QColor(Qt::black));
        QCOMPARE(swatch.pixelColor(0, swatch.height() / 2), QColor(Qt::white));
    }

    void optionControlsRedraw_data() {
        QTest::addColumn<QString>("control");
        QTest::newRow("whole Y range") << "cbWholeY";
        QTest::newRow("whole X range") << "cbRange1";
    }
    void optionControlsRedraw() {
        QFETCH(QString, control);
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        const QImage before = w.vidGraf->Picture();
        ClickCheckBox(w.findChild<QCheckBox*>(control));
        QVERIFY(w.vidGraf->Picture() != before);
    }

    // Redraws keep the counts they scaled; the picture still follows each new analysis and
    // each change of Y mode.
    void redrawsFollowTheAnalysisAndTheYMode() {
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        ClickCheckBox(w.cbWholeY);
        QCOMPARE(w.vidGraf->Picture(), Repainted(w));
        w.seDieNo->SetValue(10);
        QTest::mouseClick(w.Analyze, Qt::LeftButton);
        fixture.WaitForAnalysis();
        QCOMPARE(w.AnalysisState()->MinValue(), 10);
        QCOMPARE(w.vidGraf->Picture(), Repainted(w));
        ClickCheckBox(w.cbWholeY);
        QCOMPARE(w.vidGraf->Picture(), Repainted(w));
    }

    void barStyleFromTheRadioGroup() {
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        auto buttons = w.radGraf->findChildren<QAbstractButton*>();
        QCOMPARE(buttons.size(), 2);
        QTest::mouseClick(buttons[1], Qt::LeftButton, {}, QPoint(4, buttons[1]->height() / 2));
        QCOMPARE(w.radGraf->ItemIndex(), 1);
        // Inside the bar of total 10, which reaches the top.
        const int left = 441 * 10 / 19;
        const int right = 441 * 11 / 19;
        QCOMPARE(QColor(At(w, (left + right) / 2, 100)), QColor(0, 0, 255));
        // The last bar runs to the right edge.
        QVERIFY(QColor(At(w, 440, 215)) != QColor(Qt::black));
    }

    void theGraphKeepsTheLastCompletedAnalysis() {
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        const QImage before = w.vidGraf->Picture();
        w.seDieNo->SetValue(10);
        w.DrawGraph();
        QCOMPARE(w.vidGraf->Picture(), before);
        // A silent stop changes the labels, not the graph.
        w.seDieNo->SetValue(0);
        w.seDieNo->setFocus();
        QTest::keyClick(w.seDieNo, Qt::Key_Return);
        fixture.WaitForAnalysis();
        w.DrawGraph();
        QCOMPARE(w.vidGraf->Picture(), before);
    }

    void theHiddenClearButtonFillsTheBackground() {
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        QVERIFY(w.btnClearGraf->isHidden());
        w.btnClearGraf->click();
        const QImage picture = w.vidGraf->Picture();
        QCOMPARE(picture.size(), w.vidGraf->size());
        for (int y = 0; y < picture.height(); y += 7)
            for (int x = 0; x < picture.width(); x += 7)
                QCOMPARE(QColor(picture.pixel(x, y)), QColor(Qt::black));
    }
};

QTEST_MAIN(TestWindowGraph)
#include "tst_window_graph.moc"
