// SPDX-License-Identifier: MIT
#include "distribution.h"
#include "file_size_limit.h"
#include "plot_image.h"
#include "radio_group.h"
#include "spin_edit.h"
#include "table_export.h"
#include "window_fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>

#include <optional>

#include <sys/mount.h>

using namespace dorvanel;
using dorvanel::testing::FileSizeLimit;
using dorvanel::testing::WindowFixture;

namespace {

// Starts the window with save dialogs that answer with whatever `answer` holds.
TForm1& StartAnswering(WindowFixture& fixture, const QString& answer) {
    fixture.services.chooseFileToSave = dorvanel::testing::Answering(answer);
    return fixture.Start();
}

void Put(const QString& path, const QByteArray& data) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(data), data.size());
}

void Analyse(WindowFixture& fixture, int dice, int faces) {
    fixture.window->seDieNo->SetValue(dice);
    fixture.window->seDieType->SetValue(faces);
    fixture.window->Analyze->click();
    fixture.WaitForAnalysis();
}

QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

std::string Expected(bool csv, int dice, int faces) {
    std::string text;
    const DistributionTable table = ComputeDistribution(DicePool::Plain(dice, faces));
    const TextSink sink = [&](std::string_view piece) { text += piece; };
    csv ? WriteCsv(table, sink) : WriteListingText(table, sink);
    return text;
}

void WaitForExport(const TForm1& w) {
    QTRY_VERIFY_WITH_TIMEOUT(!w.IsExportRunning(), 60000);
}

const QString k35 = "Total: 35\nCount: 4395456\nProbability: 7.26928%\nAt most 35: 53.6346%\n"
                    "At least 35: 53.6346%";

} // namespace

class TestWindowFile : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    // 10 dice on a plot 441 pixels wide: the point or bar of a total, as a user points at it.
    void readout_data() {
        QTest::addColumn<int>("style");
        QTest::addColumn<bool>("wholeX");
        QTest::addColumn<int>("x");
        QTest::addColumn<QString>("text");
        QTest::newRow("line, whole X, at 35") << 0 << true << 253 << k35;
        QTest::newRow("line, whole X, nearer 35 than 36") << 0 << true << 256 << k35;
        QTest::newRow("line, whole X, as near 34 as 35") << 0 << true << 249 << k35;
        QTest::newRow("bar, whole X, inside the bar of 35") << 1 << true << 259 << k35;
        QTest::newRow("line, possible totals, at 35") << 0 << false << 216 << k35;
        QTest::newRow("bar, possible totals, inside 35") << 1 << false << 220 << k35;
        QTest::newRow("line, whole X, at 2") << 0 << true << 14 << "Total: 2 (cannot occur)";
        QTest::newRow("bar, whole X, left margin") << 1 << true << 0 << "Total: 1 (cannot occur)";
        QTest::newRow("line, possible totals, right edge")
            << 0 << false << 440
            << "Total: 60\nCount: 1\nProbability: 1.65382E-6%\nAt most 60: 100%\n"
               "At least 60: 1.65382E-6%";
    }
    void readout() {
        QFETCH(int, style);
        QFETCH(bool, wholeX);
        QFETCH(int, x);
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        Analyse(fixture, 10, 6);
        w.radGraf->SetItemIndex(style);
        w.cbRange1->setChecked(wholeX);
        w.DrawGraph();
        QCOMPARE(w.vidGraf->Picture().width(), 441);
        QTEST(w.ReadoutAt(QPoint(x, 100)), "text");
    }

    void meanLabelTellsTheSpread() {
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        QCOMPARE(w.lbVal->toolTip(), "Standard deviation: 2.95804\nMost likely totals: 10 and 11");
        Analyse(fixture, 10, 6);
        QCOMPARE(w.lbVal->toolTip(), "Standard deviation: 5.40062\nMost likely total: 35");
    }

    void fileMenuComesFirst() {
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        QCOMPARE(w.MainMenu1->actions().first()->text(), "File");
        QStringList items;
        for (QAction* action : w.File1->actions())
            items << (action->isSeparator() ? "-" : action->text());
        QCOMPARE(items, (QStringList{"Export table\u2026", "Save graph image\u2026", "-", "Quit"}));
        QCOMPARE(w.Exporttable1->shortcut(), QKeySequence("Ctrl+E"));
        QCOMPARE(w.Quit1->shortcut(), QKeySequence("Ctrl+Q"));
        w.Quit1->trigger();
        QVERIFY(!w.isVisible());
    }

    void exportWritesTheChosenFile_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("csv");
        QTest::newRow("values") << "table.csv" << true;
        QTest::newRow("values, in capitals") << "TABLE.CSV" << true;
        QTest::newRow("listing") << "table.txt" << false;
    }
    void exportWritesTheChosenFile() {
        QFETCH(QString, name);
        QFETCH(bool, csv);
        QString path;
        WindowFixture fixture;
        TForm1& w = StartAnswering(fixture, path);
        Analyse(fixture, 40, 12);
        path = fixture.DirPath() + "/" + name;
        w.Exporttable1->trigger();
        WaitForExport(w);
        QCOMPARE(fixture.errors, QStringList());
        QCOMPARE(Contents(path), QByteArray::fromStdString(Expected(csv, 40, 12)));
    }

    void failedOrCancelledExportLeavesNothing() {
        QString answer;
        WindowFixture fixture;
        TForm1& w = StartAnswering(fixture, answer);
        Analyse(fixture, 1000, 100);
        QDir dir(fixture.DirPath());
        const QString existing = dir.filePath("table.csv");
        Put(existing, "kept");
        const QStringList before = dir.entryList(QDir::Files);

        answer = existing;
        w.Exporttable1->trigger();
        QVERIFY(w.IsExportRunning());
        QTest::keyClick(&w, Qt::Key_Escape);
        QVERIFY(!w.IsExportRunning());
        answer = dir.filePath("no such folder/table.csv");
        w.Exporttable1->trigger();
        WaitForExport(w);
        QTest::qWait(200); // the cancelled export's thread lets go of its file
        QCOMPARE(fixture.errors.size(), 1);
        QVERIFY2(fixture.errors[0].startsWith("Cannot export to "), qPrintable(fixture.errors[0]));
        QCOMPARE(Contents(existing), QByteArray("kept"));
        QCOMPARE(dir.entryList(QDir::Files), before);
    }

    // On a full disk the file written over stays as it was, and the message gives the system's
    // reason: a tiny filesystem filled up where one may be mounted (as root), and everywhere a
    // limit on file sizes, which fails the writes the same way.
    void aFullDiskKeepsTheOldFile_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("filesystem");
        QTest::addColumn<QString>("reason");
        for (const char* name : {"table.csv", "table.txt", "graph.png"}) {
            QTest::addRow("%s, full filesystem", name) << name << true << "No space left on device";
            QTest::addRow("%s, file size limit", name) << name << false << "File too large";
        }
    }
    void aFullDiskKeepsTheOldFile() {
        QFETCH(QString, name);
        QFETCH(bool, filesystem);
        QFETCH(QString, reason);
        QString path;
        WindowFixture fixture;
        TForm1& w = StartAnswering(fixture, path);
        QDir dir(fixture.DirPath());
        QVERIFY(dir.mkdir("disk") && dir.cd("disk"));
        const QByteArray disk = QFile::encodeName(dir.path());
        if (filesystem && ::mount("tmpfs", disk.constData(), "tmpfs", 0, "size=64k") != 0)
            QSKIP("no filesystem can be mounted here");
        const auto unmount = qScopeGuard([&] {
            if (filesystem)
                ::umount2(disk.constData(), MNT_DETACH);
        });
        path = dir.filePath(name);
        Put(path, "kept");
        if (filesystem) {
            QFile filler(dir.filePath("filler"));
            QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
            while (filler.write(QByteArray(4096, 'x')) > 0) {
            }
        }
        const QStringList before = dir.entryList(QDir::Files);
        {
            std::optional<FileSizeLimit> limit;
            if (!filesystem)
                limit.emplace(16);
            if (name.endsWith(".png")) {
                w.Savegraphimage1->trigger();
            } else {
                w.Exporttable1->trigger();
                WaitForExport(w);
            }
        }
        QCOMPARE(fixture.errors.size(), 1);
        QVERIFY2(fixture.errors[0].contains(path) && fixture.errors[0].endsWith(": " + reason),
                 qPrintable(fixture.errors[0]));
        QCOMPARE(Contents(path), QByteArray("kept"));
        QCOMPARE(dir.entryList(QDir::Files), before);
    }

    // Closing while an export is written asks first; no keeps the window and the export.
    void closingDuringAnExportAsks_data() {
        QTest::addColumn<bool>("stop");
        QTest::newRow("stop it and quit") << true;
        QTest::newRow("keep writing") << false;
    }
    void closingDuringAnExportAsks() {
        QFETCH(bool, stop);
        QString path;
        QStringList asked;
        WindowFixture fixture;
        fixture.services.ask = [&asked, stop](QWidget*, const QString& question) {
            asked << question;
            return stop;
        };
        TForm1& w = StartAnswering(fixture, path);
        Analyse(fixture, 1000, 100);
        path = fixture.DirPath() + "/table.csv";
        Put(path, "kept");
        w.Exporttable1->trigger();
        QVERIFY(w.IsExportRunning());
        w.close();
        QCOMPARE(asked, QStringList{"An export is still being written: stop it and quit?"});
        QCOMPARE(w.isVisible(), !stop);
        QCOMPARE(w.IsExportRunning(), !stop);
        WaitForExport(w);
        QTest::qWait(200); // a stopped export's thread lets go of its file
        QCOMPARE(Contents(path).startsWith("total,count,"), !stop);
        QCOMPARE(fixture.errors, QStringList());
    }

    void savesTheGraphAsShown() {
        QString path;
        WindowFixture fixture;
        TForm1& w = StartAnswering(fixture, path);
        path = fixture.DirPath() + "/graph.png";
        w.Savegraphimage1->trigger();
        QCOMPARE(fixture.errors, QStringList());
        const QImage saved(path);
        QCOMPARE(saved.size(), w.vidGraf->Picture().size());
        QCOMPARE(saved.convertToFormat(QImage::Format_RGB32),
                 w.vidGraf->Picture().convertToFormat(QImage::Format_RGB32));
    }
};

QTEST_MAIN(TestWindowFile)
#include "tst_window_file.moc"
