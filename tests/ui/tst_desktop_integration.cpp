// SPDX-License-Identifier: MIT
#include "application_identity.h"
#include "termination_requests.h"
#include "window_fixture.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTest>

#include <csignal>

using dorvanel::testing::WindowFixture;

class TestDesktopIntegration : public QObject {
    Q_OBJECT
private slots:
    // Task bars match the window to the installed entry by name and show the built-in icon.
    void identity() {
        dorvanel::SetApplicationIdentity();
        WindowFixture fixture;
        const dorvanel::TForm1& w = fixture.Start();
        QVERIFY(QFileInfo::exists(DORVANEL_DESKTOP_ENTRY));
        QCOMPARE(QGuiApplication::desktopFileName(), QFileInfo(DORVANEL_DESKTOP_ENTRY).baseName());
        QVERIFY(w.windowIcon().availableSizes().contains(QSize(256, 256)));
    }

    void terminationClosesTheWindowAndSavesTheSettings_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGINT") << SIGINT;
    }
    void terminationClosesTheWindowAndSavesTheSettings() {
        QFETCH(int, signal);
        dorvanel::CloseWindowsOnTermination();
        WindowFixture fixture;
        const dorvanel::TForm1& w = fixture.Start();
        std::raise(signal);
        QTRY_VERIFY(!w.isVisible());
        QVERIFY(QFile::exists(fixture.DirPath() + "/options.DAT"));
        QCOMPARE(fixture.errors, QStringList());
    }
};

QTEST_MAIN(TestDesktopIntegration)
#include "tst_desktop_integration.moc"
