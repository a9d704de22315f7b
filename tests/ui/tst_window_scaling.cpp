// SPDX-License-Identifier: MIT
// The window on other screens: run by CTest on screens of several sizes, scale factors and
// logical resolutions (see CMakeLists.txt), with the same expectations on each.
#include "listing_view.h"
#include "plot_image.h"
#include "radio_group.h"
#include "spin_edit.h"
#include "window_fixture.h"

#include <QCheckBox>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <cmath>

using namespace dorvanel;
using dorvanel::testing::WindowFixture;

class TestWindowScaling : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        const QScreen* screen = QGuiApplication::primaryScreen();
        qInfo("screen %dx%d, %g device pixels a pixel, %g pixels per inch",
              screen->geometry().width(), screen->geometry().height(), screen->devicePixelRatio(),
              screen->logicalDotsPerInch());
    }

    void theWindowLiesWhollyOnItsScreen() {
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        const QRect available = w.screen()->availableGeometry();
        QVERIFY2(available.contains(w.frameGeometry()),
                 qPrintable(QString("frame %1,%2 %3x%4 on %5x%6")
                                .arg(w.frameGeometry().x())
                                .arg(w.frameGeometry().y())
                                .arg(w.frameGeometry().width())
                                .arg(w.frameGeometry().height())
                                .arg(available.width())
                                .arg(available.height())));
    }

    // One picture pixel per device pixel: the baseline is one device pixel high, 10 device
    // pixels above the bottom, and the label speaks of logical pixels.
    void theGraphIsDrawnInDevicePixels() {
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        const QImage picture = w.vidGraf->Picture();
        const qreal ratio = w.vidGraf->devicePixelRatioF();
        QCOMPARE(picture.devicePixelRatio(), ratio);
        QCOMPARE(picture.size(), w.vidGraf->size() * ratio);
        const int right = picture.width() - 1;
        const int baseline = picture.height() - 10;
        QCOMPARE(QColor(picture.pixel(right, baseline)), QColor(0, 255, 0));
        QCOMPARE(QColor(picture.pixel(right, baseline + 1)), QColor(Qt::black));
        QCOMPARE(QColor(picture.pixel(right, baseline - 1)), QColor(Qt::black));
        QCOMPARE(w.lbDispSize->text(), QString("Display size: %1 x %2 pixels")
                                           .arg(w.vidGraf->width())
                                           .arg(w.vidGraf->height() - 20));
    }

    // Laid out for 96 pixels per inch: 11 pixels there.
    void fontsFollowTheLogicalResolution() {
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        const double expected = 11 * w.logicalDpiY() / 96.0;
        QVERIFY2(std::abs(QFontInfo(w.lbNum->font()).pixelSize() - expected) <= 0.5,
                 qPrintable(QString::number(QFontInfo(w.lbNum->font()).pixelSize())));
    }

    void spinEditsShowTheirWidestValue_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("widest");
        QTest::newRow("dice") << "seDieNo"
                              << "10000";
        QTest::newRow("faces") << "seDieType"
                               << "1000";
    }
    void spinEditsShowTheirWidestValue() {
        QFETCH(QString, box);
        QFETCH(QString, widest);
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        auto* spinEdit = w.findChild<SpinEdit*>(box);
        QLineEdit* text = spinEdit->findChild<QLineEdit*>();
        const QMargins margins = text->textMargins();
        QVERIFY2(text->width() - margins.left() - margins.right() >
                     spinEdit->fontMetrics().horizontalAdvance(widest),
                 qPrintable(QString::number(text->width())));
    }

    // Controls that grow for their content push those to their right along by as much, so that
    // every laid-out gap stays as it was: no more, and no less, so nothing touches.
    void gapsStayAsLaidOut_data() {
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("right");
        QTest::addColumn<int>("gap");
        QTest::newRow("dice box, D") << "seDieNo"
                                     << "Label1" << 3;
        QTest::newRow("D, faces box") << "Label1"
                                      << "seDieType" << 0;
        QTest::newRow("faces box, labels") << "seDieType"
                                           << "lbNum" << 3;
        QTest::newRow("X range, Y range") << "cbRange1"
                                          << "cbWholeY" << 5;
        QTest::newRow("Y range, style group") << "cbWholeY"
                                              << "radGraf" << 3;
        QTest::newRow("swatch, pen button") << "Shape1"
                                            << "Button1" << 1;
    }
    void gapsStayAsLaidOut() {
        QFETCH(QString, left);
        QFETCH(QString, right);
        QFETCH(int, gap);
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        const QWidget* first = w.findChild<QWidget*>(left);
        const QWidget* second = w.findChild<QWidget*>(right);
        QCOMPARE(second->x() - (first->x() + first->width()), gap);
        QVERIFY(first->width() >= first->sizeHint().width() || qobject_cast<const QLabel*>(first));
    }
};

QTEST_MAIN(TestWindowScaling)
#include "tst_window_scaling.moc"
