// SPDX-License-Identifier: MIT
#include "screen_fit.h"

#include <QTest>

using namespace dorvanel;

class TestScreenFit : public QObject {
    Q_OBJECT
private slots:
    void fitOnScreen_data() {
        QTest::addColumn<QRect>("frame");
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QSize>("minimum");
        QTest::addColumn<QRect>("fitted");
        const QRect screen(0, 0, 683, 384);
        QTest::newRow("already on it")
            << QRect(181, 121, 400, 200) << screen << QSize(400, 100) << QRect(181, 121, 400, 200);
        QTest::newRow("beyond the right and the bottom")
            << QRect(181, 121, 678, 380) << screen << QSize(678, 100) << QRect(5, 4, 678, 380);
        QTest::newRow("higher than the screen: made lower")
            << QRect(181, 121, 500, 500) << screen << QSize(400, 100) << QRect(181, 0, 500, 384);
        QTest::newRow("narrower screen than the minimum: at its left")
            << QRect(181, 121, 700, 300) << screen << QSize(700, 100) << QRect(0, 84, 700, 300);
        QTest::newRow("left of and above a second screen")
            << QRect(1000, -20, 400, 300) << QRect(1366, 0, 1920, 1080) << QSize(400, 100)
            << QRect(1366, 0, 400, 300);
    }
    void fitOnScreen() {
        QFETCH(QRect, frame);
        QFETCH(QRect, available);
        QFETCH(QSize, minimum);
        QFETCH(QRect, fitted);
        QCOMPARE(FitOnScreen(frame, available, minimum), fitted);
    }
};

QTEST_APPLESS_MAIN(TestScreenFit)
#include "tst_screen_fit.moc"
