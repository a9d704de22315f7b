// SPDX-License-Identifier: MIT
#include "distribution.h"
#include "file_size_limit.h"
#include "plot_image.h"
#include "radio_group.h"
#include "spin_edit.h"
#include "table_export.h"
#include "window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStorageInfo>
#include <QTest>
#include <QTimer>

#include <optional>

#include <sys/mount.h>
#include <unistd.h>

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

// Saves the graph image for a .png name, else exports the table, to the name the chooser gives.
void SaveByName(TForm1& w, const QString& name) {
    if (name.endsWith(".png")) {
        w.Savegraphimage1->trigger();
    } else {
        w.Exporttable1->trigger();
        WaitForExport(w);
    }
}

const QString k35 = "Total: 35\nCount: 4395456\n"
                    "Probability: 7.26928% (1 in 13.8), exactly 4395456/60466176\n"
                    "At most 35: 53.6346% (1 in 1.86), exactly 32430816/60466176\n"
                    "At least 35: 53.6346% (1 in 1.86), exactly 32430816/60466176";

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
            << "Total: 60\nCount: 1\n"
               "Probability: 1.65382E-6% (1 in 60466176), exactly 1/60466176\n"
               "At most 60: 100% (1 in 1), exactly 60466176/60466176\n"
               "At least 60: 1.65382E-6% (1 in 60466176), exactly 1/60466176";
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
        QCOMPARE(w.lbVal->toolTip(), "Mean: 10.5 (21/2)\nStandard deviation: 2.95804\nMedian: 10\n"
                                     "Most likely: 10 and 11\n"
                                     "Percentiles: 5 %: 6, 25 %: 8, 75 %: 13, 95 %: 15");
        Analyse(fixture, 10, 6);
        QCOMPARE(w.lbVal->toolTip(), "Mean: 35\nStandard deviation: 5.40062\nMedian: 35\n"
                                     "Most likely: 35\n"
                                     "Percentiles: 5 %: 26, 25 %: 31, 75 %: 39, 95 %: 44");
    }

    // File, Options and Help, each with its letter for Alt; About tells the version, the licence
    // and the keys.
    void menus() {
        QStringList about;
        WindowFixture fixture;
        fixture.services.showAbout = [&about](QWidget*, const QString& title, const QString& text) {
            about << title << text;
        };
        TForm1& w = fixture.Start();
        QStringList menus;
        for (QAction* action : w.MainMenu1->actions())
            if (action->isVisible())
                menus << action->text();
        QCOMPARE(menus, (QStringList{"&File", "&View", "&Options", "&Help"}));
        QStringList items;
        for (QAction* action : w.File1->actions())
            items << (action->isSeparator() ? "-" : action->text());
        QCOMPARE(items,
                 (QStringList{"&Export table\u2026", "&Save graph image\u2026", "-", "&Quit"}));
        items.clear();
        for (QAction* action : w.Options1->actions())
            items << (action->isSeparator() ? "-" : action->text());
        QCOMPARE(items, (QStringList{"&Revert to initial settings", "Restore &default settings",
                                     "-", "&Save settings", "-", "&Explosion depth\u2026"}));
        QCOMPARE(w.Exporttable1->shortcut(), QKeySequence("Ctrl+E"));
        QCOMPARE(w.Quit1->shortcut(), QKeySequence("Ctrl+Q"));
        QCOMPARE(w.Help1->actions(), QList<QAction*>{w.Aboutdorvanel1});
        QCOMPARE(w.Aboutdorvanel1->text(), "&About Dorvanel");

        w.Aboutdorvanel1->trigger();
        QCOMPARE(about.value(0), "About Dorvanel");
        for (const char* told : {"Version " DORVANEL_VERSION, "MIT licence", "Ctrl+E", "Ctrl+Q",
                                 "Ctrl+K", "Alt+V", "Escape", "F10", "Page Up"})
            QVERIFY2(about.value(1).contains(told), told);
        w.Quit1->trigger();
        QVERIFY(!w.isVisible());
    }

    // The extension says what is written; a name without one takes the chosen type's.
    void exportWritesTheChosenFile_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("type"); // values, listing, any file
        QTest::addColumn<QString>("written");
        QTest::addColumn<bool>("csv");
        QTest::newRow("values") << "table.csv" << 0 << "table.csv" << true;
        QTest::newRow("values, in capitals") << "TABLE.CSV" << 0 << "TABLE.CSV" << true;
        QTest::newRow("listing, values chosen") << "table.txt" << 0 << "table.txt" << false;
        QTest::newRow("no extension, values") << "t3d6" << 0 << "t3d6.csv" << true;
        QTest::newRow("no extension, listing") << "t3d6" << 1 << "t3d6.txt" << false;
        QTest::newRow("no extension, any file") << "t3d6" << 2 << "t3d6" << false;
        QTest::newRow("another extension, values") << "t3d6.dat" << 0 << "t3d6.dat" << true;
    }
    void exportWritesTheChosenFile() {
        QFETCH(QString, name);
        QFETCH(int, type);
        QFETCH(QString, written);
        QFETCH(bool, csv);
        WindowFixture fixture;
        const QString dir = fixture.DirPath();
        fixture.services.chooseFileToSave = [&](QWidget*, const SaveRequest&) {
            return SaveAnswer{dir + "/" + name, type};
        };
        TForm1& w = fixture.Start();
        Analyse(fixture, 40, 12);
        w.Exporttable1->trigger();
        WaitForExport(w);
        QCOMPARE(fixture.errors, QStringList());
        QCOMPARE(QDir(dir).entryList({"t*", "T*"}, QDir::Files), QStringList{written});
        QCOMPARE(Contents(dir + "/" + written), QByteArray::fromStdString(Expected(csv, 40, 12)));
    }

    // An image is written in the format its extension names, or not at all.
    void imageFormatFollowsTheName_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("type"); // PNG, JPEG, BMP
        QTest::addColumn<QString>("written");
        QTest::addColumn<QByteArray>("format"); // empty: refused
        QTest::newRow("no extension, PNG") << "graph" << 0 << "graph.png" << QByteArray("png");
        QTest::newRow("no extension, JPEG") << "graph" << 1 << "graph.jpg" << QByteArray("jpeg");
        QTest::newRow("no extension, BMP") << "graph" << 2 << "graph.bmp" << QByteArray("bmp");
        QTest::newRow("JPEG named, PNG chosen")
            << "graph.jpg" << 0 << "graph.jpg" << QByteArray("jpeg");
        QTest::newRow("a format Qt cannot write") << "graph.gif" << 0 << "" << QByteArray();
    }
    void imageFormatFollowsTheName() {
        QFETCH(QString, name);
        QFETCH(int, type);
        QFETCH(QString, written);
        QFETCH(QByteArray, format);
        WindowFixture fixture;
        const QString dir = fixture.DirPath();
        fixture.services.chooseFileToSave = [&](QWidget*, const SaveRequest&) {
            return SaveAnswer{dir + "/" + name, type};
        };
        TForm1& w = fixture.Start();
        w.Savegraphimage1->trigger();
        QCOMPARE(QDir(dir).entryList({"graph*"}, QDir::Files),
                 written.isEmpty() ? QStringList() : QStringList{written});
        if (format.isEmpty()) {
            QCOMPARE(fixture.errors.size(), 1);
            QVERIFY2(fixture.errors[0].startsWith("Cannot save the graph image to " + dir + "/" +
                                                  name + ": ") &&
                         fixture.errors[0].contains(".png, .jpg or .bmp"),
                     qPrintable(fixture.errors[0]));
            return;
        }
        QCOMPARE(fixture.errors, QStringList());
        QCOMPARE(QImageReader(dir + "/" + written).format(), format);
    }

    // The dialog asked about the name as typed; the name completed with an extension may be
    // another file, which is replaced only when the user says so.
    void aCompletedNameAsksBeforeReplacing_data() {
        QTest::addColumn<bool>("replace");
        QTest::newRow("replace") << true;
        QTest::newRow("keep") << false;
    }
    void aCompletedNameAsksBeforeReplacing() {
        QFETCH(bool, replace);
        QStringList asked;
        WindowFixture fixture;
        const QString dir = fixture.DirPath();
        fixture.services.chooseFileToSave = [&](QWidget*, const SaveRequest&) {
            return SaveAnswer{dir + "/t3d6", 0};
        };
        fixture.services.ask = [&](QWidget*, const QString& question) {
            asked << question;
            return replace;
        };
        TForm1& w = fixture.Start();
        Put(dir + "/t3d6.csv", "kept");
        w.Exporttable1->trigger();
        WaitForExport(w);
        QCOMPARE(asked, QStringList{"t3d6.csv already exists. Replace it?"});
        QCOMPARE(Contents(dir + "/t3d6.csv") == "kept", !replace);
    }

    // The dialogs propose what was analysed as the name, made safe for file names, and name it
    // in their title.
    void savesNameWhatWasAnalysed_data() {
        QTest::addColumn<QString>("terms");
        QTest::addColumn<bool>("image");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("name");
        QTest::newRow("a table") << "+ 2d8 + 5" << false << "Export table of 3d6 + 2d8 + 5"
                                 << "3d6 + 2d8 + 5.csv";
        QTest::newRow("an image") << "+ 2d8 + 5" << true << "Save graph image of 3d6 + 2d8 + 5"
                                  << "3d6 + 2d8 + 5.png";
        QTest::newRow("characters some file systems refuse")
            << "+ 10d10>=8" << false << "Export table of 3d6 + 10d10>=8"
            << "3d6 + 10d10_=8.csv";
        QTest::newRow("a less-than sign") << "+ 4d10<3" << false << "Export table of 3d6 + 4d10<3"
                                          << "3d6 + 4d10_3.csv";
    }
    void savesNameWhatWasAnalysed() {
        QFETCH(QString, terms);
        QFETCH(bool, image);
        QList<SaveRequest> requests;
        WindowFixture fixture;
        fixture.services.chooseFileToSave = [&](QWidget*, const SaveRequest& request) {
            requests << request;
            return SaveAnswer{};
        };
        TForm1& w = fixture.Start();
        w.edPool->setText(terms);
        w.Analyze->click();
        fixture.WaitForAnalysis();
        (image ? w.Savegraphimage1 : w.Exporttable1)->trigger();
        QCOMPARE(requests.size(), 1);
        QTEST(requests[0].caption, "caption");
        QTEST(requests[0].proposedName, "name");
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

    // On a full disk the file written over stays as it was, and the message says why: a table
    // is refused before it is written, naming its size and the room there is; a failed write
    // gives the system's reason. A tiny filesystem is filled up where one may be mounted (as
    // root), and everywhere a limit on file sizes fails the writes the same way.
    void aFullDiskKeepsTheOldFile_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("filesystem");
        QTest::addColumn<QString>("reason"); // how the message ends
        const QString noRoom = ": the table of 3d6 needs about [0-9.]+ (bytes|KB), and the disk "
                               "there has only [0-9.]+ (bytes|KB) free\\.$";
        QTest::newRow("table.csv, full filesystem") << "table.csv" << true << noRoom;
        QTest::newRow("table.txt, full filesystem") << "table.txt" << true << noRoom;
        QTest::newRow("graph.png, full filesystem")
            << "graph.png" << true << ": No space left on device$";
        for (const char* name : {"table.csv", "table.txt", "graph.png"})
            QTest::addRow("%s, file size limit", name) << name << false << ": File too large$";
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
            SaveByName(w, name);
        }
        QCOMPARE(fixture.errors.size(), 1);
        QVERIFY2(fixture.errors[0].contains(path) &&
                     QRegularExpression(reason).match(fixture.errors[0]).hasMatch(),
                 qPrintable(fixture.errors[0]));
        QCOMPARE(Contents(path), QByteArray("kept"));
        QCOMPARE(dir.entryList(QDir::Files), before);
    }

    // A link that another user put under the chosen name is not followed: the file of the
    // user's it leads to stays as it was.
    void anotherUsersLinkIsNotFollowed_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("table") << "3d6.csv";
        QTest::newRow("graph image") << "3d6.png";
    }
    void anotherUsersLinkIsNotFollowed() {
        QFETCH(QString, name);
        QString path;
        WindowFixture fixture;
        TForm1& w = StartAnswering(fixture, path);
        const QDir dir(fixture.DirPath());
        const QString mine = dir.filePath("mine");
        Put(mine, "kept");
        path = dir.filePath(name);
        QVERIFY(QFile::link(mine, path));
        if (::lchown(QFile::encodeName(path).constData(), 65534, 65534) != 0)
            QSKIP("only root gives a link to another user");
        SaveByName(w, name);
        QCOMPARE(fixture.errors.size(), 1);
        QVERIFY2(fixture.errors[0].endsWith(
                     path + ": it is a symbolic link that belongs to another user, and is not "
                            "followed"),
                 qPrintable(fixture.errors[0]));
        QCOMPARE(Contents(mine), QByteArray("kept"));
        QVERIFY(QFileInfo(path).isSymLink());
    }

    // An export of more than a gigabyte asks first, showing its size; no writes nothing.
    void aLargeExportAsksFirst() {
        QString path;
        QStringList asked;
        WindowFixture fixture;
        fixture.services.ask = [&asked](QWidget*, const QString& question) {
            asked << question;
            return false;
        };
        TForm1& w = StartAnswering(fixture, path);
        if (QStorageInfo(fixture.DirPath()).bytesAvailable() < (qint64{3} << 30))
            QSKIP("too little room here for the export to be offered");
        Analyse(fixture, 1000, 500);
        path = fixture.DirPath() + "/table.csv";
        w.Exporttable1->trigger();
        QCOMPARE(asked.size(), 1);
        QVERIFY2(QRegularExpression("^The table of 1000d500 will take about 1\\.[0-9] GB in "
                                    "table\\.csv\\. Export it\\?$")
                     .match(asked[0])
                     .hasMatch(),
                 qPrintable(asked[0]));
        QVERIFY(!w.IsExportRunning());
        QVERIFY(!QFile::exists(path));
        QCOMPARE(fixture.errors, QStringList());
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

    // Ctrl+Q from the export's progress asks too; the question goes away by itself once the
    // export is written, and the quit goes on.
    void quittingFromTheProgressAsksUntilTheExportEnds() {
        QString path;
        QStringList asked;
        bool fellBack = false;
        WindowFixture fixture;
        fixture.services.ask = [&](QWidget* parent, const QString& question) {
            asked << question;
            // Answers no after a minute, should nothing else.
            QTimer::singleShot(60000, parent, [parent, &fellBack] {
                for (QMessageBox* box : parent->findChildren<QMessageBox*>()) {
                    fellBack = true;
                    box->done(QMessageBox::No);
                }
            });
            return AskInDialog(parent, question);
        };
        TForm1& w = StartAnswering(fixture, path);
        Analyse(fixture, 1000, 100);
        path = fixture.DirPath() + "/table.csv";
        w.Exporttable1->trigger();
        QVERIFY(w.IsExportRunning());
        w.dlgExport->show();
        w.dlgExport->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), w.dlgExport);
        QTest::keyClick(w.dlgExport, Qt::Key_Q, Qt::ControlModifier);
        QCOMPARE(asked, QStringList{kStopExportQuestion});
        QVERIFY(!fellBack);
        QVERIFY(!w.IsExportRunning());
        QVERIFY(!w.isVisible());
        QVERIFY(Contents(path).startsWith("total,count,"));
        QCOMPARE(fixture.errors, QStringList());
    }

    // A saved graph always carries axes, and the legend when pools are compared: the plot as
    // shown with axes, whether they are shown or not when it is saved.
    void savesTheGraphAsShown_data() {
        QTest::addColumn<bool>("axesShown");
        QTest::addColumn<bool>("compared");
        QTest::newRow("with axes") << true << false;
        QTest::newRow("axes not shown") << false << false;
        QTest::newRow("compared, axes not shown") << false << true;
    }
    void savesTheGraphAsShown() {
        QFETCH(bool, axesShown);
        QFETCH(bool, compared);
        QString path;
        WindowFixture fixture;
        TForm1& w = StartAnswering(fixture, path);
        if (compared) {
            w.Keepforcomparison1->trigger();
            Analyse(fixture, 4, 6);
        }
        if (axesShown)
            w.Showaxes1->trigger();
        const QImage withoutAxes = w.vidGraf->Picture();
        path = fixture.DirPath() + "/graph.png";
        w.Savegraphimage1->trigger();
        QCOMPARE(fixture.errors, QStringList());
        const QImage saved(path);
        if (!axesShown) {
            w.Showaxes1->trigger();
            QVERIFY(w.vidGraf->Picture() != withoutAxes);
        }
        // The plot as shown, then a strip with its caption: not only the background there.
        const QImage& plot = w.vidGraf->Picture();
        QCOMPARE(saved.width(), plot.width());
        QVERIFY(saved.height() > plot.height());
        QCOMPARE(
            saved.copy(0, 0, plot.width(), plot.height()).convertToFormat(QImage::Format_RGB32),
            plot.convertToFormat(QImage::Format_RGB32));
        const QImage strip =
            saved.copy(0, plot.height(), plot.width(), saved.height() - plot.height());
        QImage blank(strip.size(), strip.format());
        blank.fill(strip.pixel(0, 0));
        QCOMPARE(QColor(strip.pixel(0, 0)), QColor(Qt::black));
        QVERIFY(strip != blank);
    }
};

QTEST_MAIN(TestWindowFile)
#include "tst_window_file.moc"
