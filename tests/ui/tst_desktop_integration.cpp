// SPDX-License-Identifier: MIT
#include "application_identity.h"
#include "window_fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <signal.h>

using dorvanel::testing::WindowFixture;

namespace {

// Whether the process has a handler of its own for the signal.
bool HandlesSignal(qint64 pid, int signal) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("SigCgt:"))
            return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (signal - 1)) & 1;
    return false;
}

} // namespace

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

    // One request to stop ends the program, an error dialog open or not: what can be saved is
    // saved, and what fails goes to stderr and into the exit status.
    void terminationEndsTheProgram_data() {
        QTest::addColumn<int>("signal");
        QTest::addColumn<bool>("saveFails");
        QTest::newRow("SIGTERM") << SIGTERM << false;
        QTest::newRow("SIGINT") << SIGINT << false;
        QTest::newRow("SIGTERM, a start-up error's dialog open, the save failing")
            << SIGTERM << true;
    }
    void terminationEndsTheProgram() {
        QFETCH(int, signal);
        QFETCH(bool, saveFails);
        QTemporaryDir dir;
        const QString options = dir.filePath("options.DAT");
        // Neither read nor saved: a folder where the file should be.
        if (saveFails)
            QVERIFY(QDir(dir.path()).mkdir("options.DAT"));
        QProcess program;
        program.setWorkingDirectory(dir.path());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        program.setProcessEnvironment(environment);
        program.start(DORVANEL_PROGRAM, {});
        QVERIFY(program.waitForStarted());
        // From then on a request waits for the event loop, however early it comes.
        QTRY_VERIFY_WITH_TIMEOUT(HandlesSignal(program.processId(), signal), 20000);
        if (saveFails)
            QTest::qWait(1000); // the start-up error's dialog is open by now
        ::kill(static_cast<pid_t>(program.processId()), signal);
        const bool ended = program.waitForFinished(20000);
        if (!ended) {
            program.kill();
            program.waitForFinished();
        }
        QVERIFY(ended);
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        const QString err = QString::fromLocal8Bit(program.readAllStandardError());
        QCOMPARE(program.exitCode(), saveFails ? 1 : 0);
        if (!saveFails) {
            QVERIFY(QFileInfo(options).isFile());
            return;
        }
        QVERIFY2(err.contains("Dorvanel: Cannot read the settings file \"" + options +
                              "\": it is not a regular file.") &&
                     err.contains("Dorvanel: Cannot save the settings file \"" + options +
                                  "\": Is a directory."),
                 qPrintable(err));
    }
};

QTEST_MAIN(TestDesktopIntegration)
#include "tst_desktop_integration.moc"
