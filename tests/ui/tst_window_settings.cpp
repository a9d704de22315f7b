// SPDX-License-Identifier: MIT
#include "color_dialog.h"
#include "color_swatch.h"
#include "graph_colors.h"
#include "plot_image.h"
#include "radio_group.h"
#include "window_fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QScopeGuard>
#include <QTest>

#include <climits>
#include <cstdio>

#include <sys/stat.h>
#include <unistd.h>

using namespace dorvanel;
using dorvanel::testing::OnScreen;
using dorvanel::testing::WindowFixture;

namespace {

const QByteArray kDefaultFile = "SHOWX\r\nPENCOLOR\r\n65280\r\nFILLCOLOR\r\n16711680\r\n"
                                "BACKGROUNDCOLOR\r\n0\r\nGRAPHSTYLE\r\n0\r\n";

struct Shown {
    bool wholeX;
    bool wholeY;
    int pen;
    int fill;
    int background;
    int style;
    bool axes = false;
    bool likelyOnly = false;
    bool operator==(const Shown&) const = default;
};

Shown ShownSettings(const TForm1& w) {
    return {w.cbRange1->isChecked(),  w.cbWholeY->isChecked(),
            w.dlgColor.Color(),       w.dlgFill.Color(),
            w.dlgBG.Color(),          w.radGraf->ItemIndex(),
            w.Showaxes1->isChecked(), w.Likelytotalsonly1->isChecked()};
}

const Shown kDefaults{true, false, 65280, 16711680, 0, 0};

void WriteFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString OptionsPath(const WindowFixture& fixture) {
    return fixture.DirPath() + "/options.DAT";
}

} // namespace

Q_DECLARE_METATYPE(Shown)

class TestWindowSettings : public QObject {
    Q_OBJECT
private slots:
    void loadedAtStartUp_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<Shown>("shown");
        QTest::addColumn<QStringList>("errors");
        QTest::newRow("defaults") << kDefaultFile << kDefaults << QStringList{};
        QTest::newRow("only SHOWY") << QByteArray("SHOWY\r\n")
                                    << Shown{false, true, 65280, 16711680, 0, 0} << QStringList{};
        QTest::newRow("empty file") << QByteArray() << kDefaults << QStringList{};
        QTest::newRow("keys in lower case or with a space are not keys")
            << QByteArray("showy\r\nSHOWX \r\nGRAPHSTYLE\r\n1\r\n")
            << Shown{false, false, 65280, 16711680, 0, 1} << QStringList{};
        QTest::newRow("every setting, LF only")
            << QByteArray("SHOWY\nPENCOLOR\n255\nFILLCOLOR\n-"
                          "1\nBACKGROUNDCOLOR\n16777215\nGRAPHSTYLE\n1\n")
            << Shown{false, true, 255, -1, 16777215, 1} << QStringList{};
        QTest::newRow("axes and likely totals only")
            << QByteArray("SHOWAXES\r\nLIKELYONLY\r\n")
            << Shown{false, false, 65280, 16711680, 0, 0, true, true} << QStringList{};
        QTest::newRow("a style of neither line nor bar")
            << QByteArray("SHOWX\rGRAPHSTYLE\r-1\r") << Shown{true, false, 65280, 16711680, 0, -1}
            << QStringList{};
        QTest::newRow("a value that is not an integer stops there")
            << QByteArray("GRAPHSTYLE\r\n1\r\nPENCOLOR\r\nblue\r\nSHOWY\r\n")
            << Shown{false, false, 65280, 16711680, 0, 1}
            << QStringList{"options.DAT, line 4: 'blue' is not a valid integer value"};
        QTest::newRow("a missing last value line")
            << QByteArray("SHOWY\r\nGRAPHSTYLE") << Shown{false, true, 65280, 16711680, 0, 0}
            << QStringList{"options.DAT, line 3: '' is not a valid integer value"};
    }
    void loadedAtStartUp() {
        QFETCH(QByteArray, file);
        QFETCH(Shown, shown);
        QFETCH(QStringList, errors);
        WindowFixture fixture;
        WriteFile(OptionsPath(fixture), file);
        TForm1& w = fixture.Start();
        QCOMPARE(ShownSettings(w), shown);
        QCOMPARE(fixture.errors, errors);
        QCOMPARE(OnScreen(w.Shape1), ColorFromBgr(shown.pen));
        QCOMPARE(OnScreen(w.Shape3), ColorFromBgr(shown.background));
        QCOMPARE(QColor(w.vidGraf->Picture().pixel(0, 0)), ColorFromBgr(shown.background));
        QCOMPARE(w.lbNum->text(), QString("Total Possible Rolls: 216"));
    }

    void aFileThatIsNoSettingsFileIsRefused() {
        WindowFixture fixture;
        WriteFile(OptionsPath(fixture), QByteArray(200 * 1024, 'S'));
        TForm1& w = fixture.Start();
        QCOMPARE(fixture.errors.size(), 1);
        QVERIFY2(fixture.errors[0].contains("is not a settings file"),
                 qPrintable(fixture.errors[0]));
        QCOMPARE(ShownSettings(w), kDefaults);
    }

    // Something else kept under the file's name survives the close, which says so; an explicit
    // save replaces it.
    void aRefusedFileIsKeptOnClose_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("saveFromTheMenu");
        const QByteArray binary("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
        const QByteArray large(200 * 1024, 'S');
        QTest::newRow("binary, closed") << binary << false;
        QTest::newRow("too large, closed") << large << false;
        QTest::newRow("binary, saved from the menu") << binary << true;
    }
    void aRefusedFileIsKeptOnClose() {
        QFETCH(QByteArray, file);
        QFETCH(bool, saveFromTheMenu);
        WindowFixture fixture;
        WriteFile(OptionsPath(fixture), file);
        TForm1& w = fixture.Start();
        QCOMPARE(fixture.errors.size(), 1);
        if (saveFromTheMenu)
            w.Savesettings1->trigger();
        w.close();
        if (saveFromTheMenu) {
            QCOMPARE(fixture.errors.size(), 1);
            QCOMPARE(ReadFile(OptionsPath(fixture)), kDefaultFile);
            return;
        }
        QCOMPARE(fixture.errors.size(), 2);
        QVERIFY2(fixture.errors[1].startsWith("The settings were not saved") &&
                     fixture.errors[1].contains(OptionsPath(fixture)),
                 qPrintable(fixture.errors[1]));
        QCOMPARE(ReadFile(OptionsPath(fixture)), file);
    }

    void theFileIsWrittenOnEveryClose() {
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        QVERIFY(!QFile::exists(OptionsPath(fixture)));
        w.close();
        QCOMPARE(ReadFile(OptionsPath(fixture)), kDefaultFile);
    }

    void everySettingRoundTrips() {
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        w.cbRange1->setChecked(false);
        w.cbWholeY->setChecked(true);
        w.radGraf->SetItemIndex(1);
        w.dlgColor.SetColor(1);
        w.dlgFill.SetColor(-16777216);
        w.dlgBG.SetColor(0x123456);
        w.Likelytotalsonly1->setChecked(true);
        w.Savesettings1->trigger();
        QCOMPARE(ReadFile(OptionsPath(fixture)),
                 QByteArray("SHOWY\r\nLIKELYONLY\r\nPENCOLOR\r\n1\r\nFILLCOLOR\r\n-"
                            "16777216\r\nBACKGROUNDCOLOR\r\n1193046\r\n"
                            "GRAPHSTYLE\r\n1\r\n"));
        fixture.window.reset();
        TForm1& again = fixture.Start();
        QCOMPARE(ShownSettings(again),
                 (Shown{false, true, 1, -16777216, 0x123456, 1, false, true}));
    }

    void revertBringsBackTheSavedSettings() {
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        w.radGraf->SetItemIndex(1);
        w.Savesettings1->trigger();
        w.radGraf->SetItemIndex(0);
        w.cbWholeY->setChecked(true);
        w.Reverttoinitialsettings1->trigger();
        QCOMPARE(ShownSettings(w), (Shown{true, false, 65280, 16711680, 0, 1}));
    }

    void restoreThenRevertAppliesTheDefaults() {
        WindowFixture fixture;
        WriteFile(OptionsPath(fixture), "SHOWY\r\nGRAPHSTYLE\r\n1\r\nBACKGROUNDCOLOR\r\n255\r\n");
        TForm1& w = fixture.Start();
        QCOMPARE(ShownSettings(w), (Shown{false, true, 65280, 16711680, 255, 1}));
        w.Restoredefaultsettings1->trigger();
        QCOMPARE(ShownSettings(w), kDefaults);
        QCOMPARE(QColor(w.vidGraf->Picture().pixel(0, 0)), QColor(Qt::black));
        w.cbRange1->setChecked(false);
        w.Reverttoinitialsettings1->trigger();
        QCOMPARE(ShownSettings(w), kDefaults);
        // Restoring does not write the file; the next save does.
        QCOMPARE(ReadFile(OptionsPath(fixture)),
                 QByteArray("SHOWY\r\nGRAPHSTYLE\r\n1\r\nBACKGROUNDCOLOR\r\n255\r\n"));
    }

    void revertWithNoFileOnlyRedraws() {
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        w.cbWholeY->setChecked(true); // not drawn: no click
        const QImage before = w.vidGraf->Picture();
        w.Reverttoinitialsettings1->trigger();
        QCOMPARE(ShownSettings(w), (Shown{true, true, 65280, 16711680, 0, 0}));
        QVERIFY(w.vidGraf->Picture() != before);
    }

    void aFailedSaveIsReportedAndLosesNothing() {
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        // A directory where the file should be: no save can replace it.
        QVERIFY(QDir(fixture.DirPath()).mkdir("options.DAT"));
        w.close();
        QCOMPARE(fixture.errors.size(), 1);
        QVERIFY2(fixture.errors[0].contains("options.DAT"), qPrintable(fixture.errors[0]));
        QVERIFY(QFileInfo(OptionsPath(fixture)).isDir());
    }

    // Without a current folder to be had as it is, the window runs without a settings file,
    // neither reading nor writing one in the root folder, and says so once.
    void noCurrentFolder_data() {
        QTest::addColumn<bool>("deleted");
        QTest::newRow("deleted") << true;
        QTest::newRow("path longer than the system allows") << false;
    }
    void noCurrentFolder() {
        QFETCH(bool, deleted);
        WindowFixture fixture;
        const bool rootFileBefore = QFile::exists("/options.DAT");
        const QByteArray base = QFile::encodeName(fixture.DirPath());
        const QByteArray name(200, 'd');
        int depth = 0;
        // Relative steps, since the whole path is too long for the system.
        const auto removeFolders = qScopeGuard([&] {
            for (; depth > 0; --depth)
                if (::chdir("..") != 0 || ::rmdir(name.constData()) != 0)
                    return;
        });
        QCOMPARE(::chdir(base.constData()), 0);
        if (deleted) {
            QCOMPARE(::mkdir("gone", 0700), 0);
            QCOMPARE(::chdir("gone"), 0);
            QCOMPARE(::rmdir((base + "/gone").constData()), 0);
        } else {
            for (; depth * (name.size() + 1) <= PATH_MAX; ++depth) {
                QCOMPARE(::mkdir(name.constData(), 0700), 0);
                QCOMPARE(::chdir(name.constData()), 0);
            }
        }
        TForm1& w = fixture.Start();
        w.close();
        const bool rootFile = QFile::exists("/options.DAT");
        if (rootFile && !rootFileBefore)
            QFile::remove("/options.DAT");
        QCOMPARE(fixture.errors.size(), 1);
        QVERIFY2(fixture.errors[0].startsWith("The current folder cannot be used ("),
                 qPrintable(fixture.errors[0]));
        QCOMPARE(w.SettingsDir(), QString());
        QCOMPARE(rootFile, rootFileBefore);
    }

    // The folder's path is taken as the system's bytes: a name that is not UTF-8 still holds
    // the file.
    void aFolderNameThatIsNotUtf8() {
        WindowFixture fixture;
        const QByteArray folder = QFile::encodeName(fixture.DirPath()) + "/caf\xe9";
        const QByteArray file = folder + "/options.DAT";
        QCOMPARE(::mkdir(folder.constData(), 0700), 0);
        // Qt could not name these to remove them.
        const auto removeFolder = qScopeGuard([&] {
            ::unlink(file.constData());
            ::rmdir(folder.constData());
        });
        std::FILE* options = std::fopen(file.constData(), "wb");
        QVERIFY(options);
        std::fputs("SHOWY\r\n", options);
        std::fclose(options);
        QCOMPARE(::chdir(folder.constData()), 0);
        TForm1& w = fixture.Start();
        QCOMPARE(fixture.errors, QStringList());
        QVERIFY(w.cbWholeY->isChecked());
    }

    void theFileStaysInTheStartUpDirectory() {
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        QTemporaryDir elsewhere;
        QDir::setCurrent(elsewhere.path());
        w.Savesettings1->trigger();
        QVERIFY(QFile::exists(OptionsPath(fixture)));
        QVERIFY(!QFile::exists(elsewhere.path() + "/options.DAT"));
    }
};

QTEST_MAIN(TestWindowSettings)
#include "tst_window_settings.moc"
