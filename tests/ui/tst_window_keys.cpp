// SPDX-License-Identifier: MIT
// The window with the keyboard alone: the menus' keys wherever the focus is, Tab to the
// listing and the plot with a cue of where it is, and the plot's readout moved by keys.
#include "listing_view.h"
#include "plot_image.h"
#include "readout.h"
#include "spin_edit.h"
#include "window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

using namespace dorvanel;
using dorvanel::testing::OnScreen;
using dorvanel::testing::WindowFixture;

namespace {

// An input that takes Ctrl+E for its own before shortcuts are looked up, as a line edit does
// with the X11 key scheme.
class ClaimingEdit : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::ShortcutOverride &&
            static_cast<QKeyEvent*>(event)->keyCombination() ==
                QKeyCombination(Qt::ControlModifier, Qt::Key_E)) {
            event->accept();
            return true;
        }
        return QLineEdit::event(event);
    }
};

QWidget* Focused(TForm1& w, const QString& name) {
    if (name == "claiming input") {
        auto* input = new ClaimingEdit(w.Panel1);
        input->show();
        return input;
    }
    return w.findChild<QWidget*>(name);
}

// Opens a menu by its key and closes it again, as a user does, back to where the focus was;
// whether it opened.
bool Opens(QMenu* menu, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus, key, modifiers);
    const bool opened = menu->isVisible();
    while (QApplication::focusWidget() != focus && QApplication::activePopupWidget())
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
    if (QApplication::focusWidget() != focus)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    return opened && QApplication::focusWidget() == focus;
}

} // namespace

class TestWindowKeys : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void menuKeysWhereverTheFocusIs_data() {
        QTest::addColumn<QString>("focus");
        for (const char* name :
             {"seDieNo", "seDieType", "edPool", "Analyze", "meRes", "vidGraf", "claiming input"})
            QTest::newRow(name) << name;
    }
    void menuKeysWhereverTheFocusIs() {
        QFETCH(QString, focus);
        int exports = 0;
        WindowFixture fixture;
        fixture.services.chooseFileToSave = [&exports](QWidget*, const SaveRequest&) {
            ++exports;
            return SaveAnswer{};
        };
        TForm1& w = fixture.Start();
        QWidget* input = Focused(w, focus);
        input->setFocus();
        QTRY_VERIFY(input->hasFocus());
        QTest::keyClick(input, Qt::Key_E, Qt::ControlModifier);
        QCOMPARE(exports, 1);
        QVERIFY(Opens(w.File1, Qt::Key_F, Qt::AltModifier));
        QVERIFY(Opens(w.Options1, Qt::Key_O, Qt::AltModifier));
        QVERIFY(Opens(w.Help1, Qt::Key_H, Qt::AltModifier));
        QVERIFY(Opens(w.File1, Qt::Key_F10, Qt::NoModifier));
    }

    // Tab goes on from the listing to the plot; each shows a frame while it has the focus.
    void tabShowsWhereTheFocusIs() {
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        w.cbWholeY->setFocus();
        QTRY_VERIFY(w.cbWholeY->hasFocus());
        const QPoint listingEdge(0, w.meRes->viewport()->height() / 2);
        const QPoint plotEdge(0, w.vidGraf->height() / 2);
        const QColor listingBackground = OnScreen(w.meRes->viewport(), listingEdge);
        const QColor plotBackground = OnScreen(w.vidGraf, plotEdge);

        QTest::keyClick(w.cbWholeY, Qt::Key_Tab);
        QVERIFY(w.meRes->hasFocus());
        QCOMPARE(OnScreen(w.meRes->viewport(), listingEdge), QColor(Qt::yellow));
        QCOMPARE(OnScreen(w.vidGraf, plotEdge), plotBackground);

        QTest::keyClick(w.meRes, Qt::Key_Tab);
        QVERIFY(w.vidGraf->hasFocus());
        QCOMPARE(OnScreen(w.meRes->viewport(), listingEdge), listingBackground);
        QCOMPARE(OnScreen(w.vidGraf, plotEdge), w.vidGraf->palette().color(QPalette::Highlight));
    }

    // With the focus on the plot the keys mark one total after another, each with its readout:
    // also where many totals share a pixel, as 9901 totals do on 441.
    void plotKeysStepTheReadout_data() {
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<int>("total");
        QTest::newRow("at first, the most likely total") << QList<int>{} << 5050;
        QTest::newRow("Home") << QList<int>{Qt::Key_Home} << 100;
        QTest::newRow("End") << QList<int>{Qt::Key_End} << 10000;
        QTest::newRow("Home, Right, Right")
            << QList<int>{Qt::Key_Home, Qt::Key_Right, Qt::Key_Right} << 102;
        QTest::newRow("End, Left") << QList<int>{Qt::Key_End, Qt::Key_Left} << 9999;
        QTest::newRow("Home, Page Down: a tenth of the range")
            << QList<int>{Qt::Key_Home, Qt::Key_PageDown} << 1090;
        QTest::newRow("End, Page Up") << QList<int>{Qt::Key_End, Qt::Key_PageUp} << 9010;
        QTest::newRow("no further than Min") << QList<int>{Qt::Key_Home, Qt::Key_Left} << 100;
        QTest::newRow("no further than Max")
            << QList<int>{Qt::Key_End, Qt::Key_PageDown, Qt::Key_Right} << 10000;
        QTest::newRow("the keypad's keys")
            << QList<int>{(Qt::KeypadModifier | Qt::Key_Home).toCombined()} << 100;
        // With Ctrl, Shift or Alt the keys are left to whatever else takes them.
        QTest::newRow("keys with modifiers move nothing")
            << QList<int>{(Qt::ControlModifier | Qt::Key_Home).toCombined(),
                          (Qt::ShiftModifier | Qt::Key_PageDown).toCombined(),
                          (Qt::AltModifier | Qt::Key_Right).toCombined()}
            << 5050;
    }
    void plotKeysStepTheReadout() {
        QFETCH(QList<int>, keys);
        QFETCH(int, total);
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        w.seDieNo->SetValue(100);
        w.seDieType->SetValue(100);
        w.Analyze->click();
        fixture.WaitForAnalysis();
        w.meRes->setFocus();
        QTest::keyClick(w.meRes, Qt::Key_Tab);
        QVERIFY(w.vidGraf->hasFocus());
        for (int key : keys) {
            const QKeyCombination combination = QKeyCombination::fromCombined(key);
            QTest::keyClick(w.vidGraf, combination.key(), combination.keyboardModifiers());
        }
        QCOMPARE(w.MarkedTotal(), std::optional<std::int64_t>(total));
        QVERIFY(w.vidGraf->Marker().has_value());
        QStringList readout;
        for (const std::string& line : ReadoutLines(*w.AnalysisState(), total))
            readout << QString::fromStdString(line);
        QCOMPARE(w.vidGraf->Marker()->readout, readout);
    }
};

QTEST_MAIN(TestWindowKeys)
#include "tst_window_keys.moc"
