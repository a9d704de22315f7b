// SPDX-License-Identifier: MIT
// The Analyze command's runs, most with their computation scripted: failures, progress,
// cancelling, the window closing while one is under way, and exports beside them.
#include "analysis_runner.h"
#include "errors.h"
#include "listing_view.h"
#include "plot_image.h"
#include "report.h"
#include "spin_edit.h"
#include "window_fixture.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <atomic>
#include <chrono>
#include <new>
#include <stdexcept>
#include <thread>

using namespace dorvanel;
using dorvanel::testing::Answering;
using dorvanel::testing::k3d6Labels;
using dorvanel::testing::Labels;
using dorvanel::testing::OnScreen;
using dorvanel::testing::WindowFixture;

namespace {

// The real computation, but every table checkpointed.
DistributionTable ComputeCheckpointed(const DicePool& pool, const RunControl& control) {
    RunControl forced = control;
    forced.memoryBudget = 1;
    return ComputeDistribution(pool, forced);
}

// The window's first analysis as the program computes it, every later one by `script`.
Computation AfterTheFirst(Computation script) {
    auto runs = std::make_shared<std::atomic<int>>(0);
    return [runs, script](const DicePool& pool, const RunControl& control) {
        return (*runs)++ == 0 ? ComputeDistribution(pool, control) : script(pool, control);
    };
}

// Waits on the computing thread until `done` holds or the run is cancelled; true for `done`.
template <typename Done> bool WaitUntil(Done done, const RunControl& control) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done() && !control.cancel->load() && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return done();
}

void StartAnalysis(TForm1& w, int dice, int faces) {
    w.seDieNo->SetValue(dice);
    w.seDieType->SetValue(faces);
    QTest::mouseClick(w.Analyze, Qt::LeftButton);
}

} // namespace

class TestWindowRuns : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    // The labels and the listing the run replaced come back; the last analysis stays.
    void aFailedRunPutsBackWhatItChanged_data() {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("message");
        QTest::newRow("an error") << "error"
                                  << "The disk is on fire";
        QTest::newRow("out of memory") << "memory"
                                       << "Out of memory";
    }
    void aFailedRunPutsBackWhatItChanged() {
        QFETCH(QString, failure);
        QFETCH(QString, message);
        WindowFixture fixture;
        fixture.services.compute =
            AfterTheFirst([&](const DicePool&, const RunControl&) -> DistributionTable {
                if (failure == "memory")
                    throw std::bad_alloc();
                throw std::runtime_error(message.toStdString());
            });
        TForm1& w = fixture.Start();
        const std::shared_ptr<const DistributionTable> analysis = w.AnalysisState();
        StartAnalysis(w, 10, 6);
        fixture.WaitForAnalysis();
        QCOMPARE(fixture.errors, QStringList{message});
        QCOMPARE(Labels(w), k3d6Labels);
        QCOMPARE(w.meRes->LineCount(), 16);
        QCOMPARE(w.AnalysisState(), analysis);
        QCOMPARE(w.pb1->value(), 0);
        QCOMPARE(w.pb2->value(), 0);
    }

    // Each update the run reports reaches the bars, not only the first; the end clears them.
    void theBarsFollowEveryUpdate() {
        std::atomic<int> seen{0};
        WindowFixture fixture;
        fixture.services.compute =
            AfterTheFirst([&](const DicePool& pool, const RunControl& control) {
                control.onProgress(0.25, 0.5);
                if (WaitUntil([&] { return seen >= 1; }, control)) {
                    control.onProgress(0.75, 1.0);
                    WaitUntil([&] { return seen >= 2; }, control);
                }
                return ComputeDistribution(pool);
            });
        TForm1& w = fixture.Start();
        StartAnalysis(w, 10, 6);
        QTRY_COMPARE(w.pb1->value(), 250);
        QCOMPARE(w.pb2->value(), 500);
        seen = 1;
        QTRY_COMPARE(w.pb1->value(), 750);
        QCOMPARE(w.pb2->value(), 1000);
        seen = 2;
        fixture.WaitForAnalysis();
        QCOMPARE(w.lbValNo->text(), "Value Possibilities: 4395456");
        QCOMPARE(w.pb1->value(), 0);
        QCOMPARE(w.pb2->value(), 0);
    }

    // A run abandoned for a new one still holds its memory until it stops: the new one starts
    // only then, so that within one process two never hold theirs at once.
    void aNewRunWaitsForTheAbandonedOne() {
        std::atomic<int> runs{0};
        std::atomic<bool> abandonedLetGo{false};
        std::atomic<bool> overlapped{false};
        WindowFixture fixture;
        fixture.services.compute =
            AfterTheFirst([&](const DicePool& pool, const RunControl& control) {
                if (runs++ == 0) {
                    WaitUntil([] { return false; }, control);
                    // Slow to let go, as a large table is.
                    std::this_thread::sleep_for(std::chrono::milliseconds(200));
                    abandonedLetGo = true;
                    throw AnalysisCancelled();
                }
                overlapped = !abandonedLetGo;
                return ComputeDistribution(pool);
            });
        TForm1& w = fixture.Start();
        StartAnalysis(w, 10, 6);
        QTRY_COMPARE(runs.load(), 1);
        StartAnalysis(w, 12, 6);
        fixture.WaitForAnalysis();
        QVERIFY(!overlapped);
        QCOMPARE(runs.load(), 2);
        QCOMPARE(w.AnalysisState()->MinValue(), 12);
        QVERIFY(fixture.errors.isEmpty());
    }

    // Closing saves the settings and drops the run, whether it stops when told or finishes
    // anyway; nothing of it reaches the window, which is then destroyed.
    void closingTheWindowDuringARun_data() {
        QTest::addColumn<bool>("stopsWhenCancelled");
        QTest::addColumn<bool>("checkpointed");
        QTest::newRow("the real computation") << true << false;
        QTest::newRow("a checkpointed run") << true << true;
        QTest::newRow("a run that finishes after the close") << false << false;
    }
    void closingTheWindowDuringARun() {
        QFETCH(bool, stopsWhenCancelled);
        QFETCH(bool, checkpointed);
        std::atomic<bool> closed{false};
        WindowFixture fixture;
        if (checkpointed)
            fixture.services.compute = ComputeCheckpointed;
        if (!stopsWhenCancelled)
            fixture.services.compute = AfterTheFirst([&](const DicePool& pool, const RunControl&) {
                while (!closed)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                return ComputeDistribution(pool);
            });
        TForm1& w = fixture.Start();
        StartAnalysis(w, stopsWhenCancelled ? 3000 : 10, stopsWhenCancelled ? 300 : 6);
        QVERIFY(w.IsAnalysisRunning());
        w.close();
        closed = true;
        QVERIFY(!w.IsAnalysisRunning());
        QTest::qWait(100);
        QCOMPARE(w.AnalysisState()->MinValue(), 3);
        QCOMPARE(w.lbValNo->text(), k3d6Labels[3]);
        QVERIFY(QFile::exists(fixture.DirPath() + "/options.DAT"));
        fixture.window.reset();
        QVERIFY(fixture.errors.isEmpty());
    }

    // Whatever ends a run raises its flag, so that the computation stops instead of running on
    // unseen.
    void endingARunRaisesItsFlag_data() {
        QTest::addColumn<QString>("ending");
        QTest::newRow("Escape") << "escape";
        QTest::newRow("another analysis") << "analyze";
        QTest::newRow("closing the window") << "close";
    }
    void endingARunRaisesItsFlag() {
        QFETCH(QString, ending);
        std::atomic<bool> started{false};
        std::atomic<bool> raised{false};
        WindowFixture fixture;
        fixture.services.compute =
            AfterTheFirst([&](const DicePool& pool, const RunControl& control) {
                if (pool.DiceCount() != 10)
                    return ComputeDistribution(pool, control);
                started = true;
                raised = WaitUntil([&] { return control.cancel->load(); }, control);
                throw AnalysisCancelled();
            });
        TForm1& w = fixture.Start();
        StartAnalysis(w, 10, 6);
        // A run ended before it starts never does.
        QTRY_VERIFY(started);
        if (ending == "escape")
            QTest::keyClick(&w, Qt::Key_Escape);
        else if (ending == "analyze")
            StartAnalysis(w, 2, 6);
        else
            w.close();
        QTRY_VERIFY(raised);
    }

    // Escape stops whichever of a run and an export was started last; the other goes on.
    void escapeStopsTheLatestJob_data() {
        QTest::addColumn<bool>("exportLast");
        QTest::newRow("an export started during a run") << true;
        QTest::newRow("a run started during an export") << false;
    }
    void escapeStopsTheLatestJob() {
        QFETCH(bool, exportLast);
        QString path;
        WindowFixture fixture;
        fixture.services.compute = AfterTheFirst([](const DicePool&, const RunControl& control) {
            WaitUntil([] { return false; }, control);
            return DistributionTable();
        });
        fixture.services.chooseFileToSave = Answering(path);
        TForm1& w = fixture.Start();
        path = fixture.DirPath() + "/table.csv";
        // Nothing either job hands over arrives before the keys: no events are processed.
        if (exportLast) {
            StartAnalysis(w, 10, 6);
            w.Exporttable1->trigger();
        } else {
            w.Exporttable1->trigger();
            StartAnalysis(w, 10, 6);
        }
        QTest::keyClick(&w, Qt::Key_Escape);
        QCOMPARE(w.IsExportRunning(), !exportLast);
        QCOMPARE(w.IsAnalysisRunning(), exportLast);
        QTest::keyClick(&w, Qt::Key_Escape);
        QVERIFY(!w.IsExportRunning() && !w.IsAnalysisRunning());
        QCOMPARE(Labels(w), k3d6Labels);
    }

    // A run's working space alone may take no more than its budget, however much the machine
    // has free: refused by the run, not computed.
    void aRunBeyondItsBudgetFails() {
        AnalysisRunner runner(ComputeDistribution);
        QSignalSpy failed(&runner, &AnalysisRunner::Failed);
        QSignalSpy finished(&runner, &AnalysisRunner::Finished);
        runner.Start(DicePool::Plain(100, 6), 1);
        QTRY_VERIFY(!runner.IsRunning());
        QCOMPARE(finished.size(), 0);
        QCOMPARE(failed.size(), 1);
        const QString message = failed[0][0].toString();
        QVERIFY2(message.startsWith("Not enough memory for 100 dice of 6 faces"),
                 qPrintable(message));
    }

    // A copy of a checkpointed listing is one of the jobs Escape stops, the latest first; a
    // cancelled copy leaves the clipboard be.
    void escapeStopsACopyOfTheListing_data() {
        QTest::addColumn<QString>("other");
        QTest::addColumn<bool>("copyLast");
        QTest::newRow("a copy started during an export") << "export" << true;
        QTest::newRow("a run started during a copy") << "run" << false;
    }
    void escapeStopsACopyOfTheListing() {
        QFETCH(QString, other);
        QFETCH(bool, copyLast);
        QString path;
        auto runs = std::make_shared<std::atomic<int>>(0);
        WindowFixture fixture;
        fixture.services.compute = [runs](const DicePool& pool, const RunControl& control) {
            if ((*runs)++ == 0)
                return ComputeCheckpointed(pool, control);
            WaitUntil([] { return false; }, control);
            return DistributionTable();
        };
        fixture.services.chooseFileToSave = Answering(path);
        TForm1& w = fixture.Start();
        QVERIFY(w.AnalysisState()->IsCheckpointed());
        path = fixture.DirPath() + "/table.csv";
        QApplication::clipboard()->setText("before");
        auto isOtherRunning = [&] {
            return other == "export" ? w.IsExportRunning() : w.IsAnalysisRunning();
        };
        // Nothing a job hands over arrives before the keys: no events are processed.
        if (other == "export")
            w.Exporttable1->trigger();
        w.meRes->SelectAll();
        w.meRes->CopySelection();
        if (other == "run")
            StartAnalysis(w, 10, 6);
        QVERIFY(w.meRes->IsCopyRunning() && isOtherRunning());
        QTest::keyClick(&w, Qt::Key_Escape);
        QCOMPARE(w.meRes->IsCopyRunning(), !copyLast);
        QCOMPARE(isOtherRunning(), copyLast);
        QTest::keyClick(&w, Qt::Key_Escape);
        QVERIFY(!w.meRes->IsCopyRunning() && !isOtherRunning());
        QCOMPARE(QApplication::clipboard()->text(), "before");
    }

    // Planning is part of the run, off the window's thread: a pool it refuses is reported when
    // the run ends, and the window shows again what it showed before, to the listing's place.
    void aPoolTheRunRefusesLeavesTheWindowAsItWas() {
        WindowFixture fixture;
        TForm1& w = fixture.Start();
        StartAnalysis(w, 100, 6);
        fixture.WaitForAnalysis();
        ListingView& listing = *w.meRes;
        listing.ScrollToLine(200);
        listing.SelectLines(210, 212);
        listing.horizontalScrollBar()->setValue(listing.horizontalScrollBar()->maximum());
        QVERIFY(listing.CurrentPlace().across > 0);
        const QStringList labels = Labels(w);
        const QString details = w.lbVal->toolTip();
        const QString pool = w.lbPool->text();
        const auto analysis = w.AnalysisState();
        const ListingView::Place place = listing.CurrentPlace();
        const QImage plot = w.vidGraf->Picture();

        w.edPool->setText("+ 2000d6kh1000");
        QTest::mouseClick(w.Analyze, Qt::LeftButton);
        QVERIFY(w.IsAnalysisRunning());
        QVERIFY(fixture.errors.isEmpty());
        fixture.WaitForAnalysis();
        QCOMPARE(fixture.errors.size(), 1);
        QVERIFY2(fixture.errors[0].contains("keeps too many of too many dice"),
                 qPrintable(fixture.errors[0]));
        QCOMPARE(Labels(w), labels);
        QCOMPARE(w.lbVal->toolTip(), details);
        QCOMPARE(w.lbPool->text(), pool);
        QVERIFY(w.lbPool->isEnabled() && w.lbValNo->isEnabled() && !w.vidGraf->IsStale());
        QCOMPARE(w.AnalysisState(), analysis);
        QCOMPARE(listing.Table(), analysis);
        const ListingView::Place after = listing.CurrentPlace();
        QCOMPARE(after.firstLine, place.firstLine);
        QCOMPARE(after.across, place.across);
        QCOMPARE(listing.Selection(),
                 std::make_optional(std::make_pair<std::int64_t, std::int64_t>(210, 212)));
        QCOMPARE(w.vidGraf->Picture(), plot);
        QCOMPARE(w.pb1->value(), 0);
        QCOMPARE(w.pb2->value(), 0);
    }

    // While a run is under way, what still shows the analysis before it is marked as such,
    // the plot dimmed; however the run ends, the window shows one analysis again.
    void thePreviousAnalysisIsMarkedDuringARun_data() {
        QTest::addColumn<QString>("ending");
        QTest::newRow("finished") << "finished";
        QTest::newRow("cancelled") << "cancelled";
        QTest::newRow("failed") << "failed";
    }
    void thePreviousAnalysisIsMarkedDuringARun() {
        QFETCH(QString, ending);
        std::atomic<bool> release{false};
        WindowFixture fixture;
        fixture.services.compute =
            AfterTheFirst([&](const DicePool& pool, const RunControl& control) {
                if (!WaitUntil([&] { return release.load(); }, control))
                    throw AnalysisCancelled();
                if (ending == "failed")
                    throw std::runtime_error("The disk is on fire");
                return ComputeDistribution(pool);
            });
        TForm1& w = fixture.Start();
        const QPoint background(1, 1);
        QCOMPARE(OnScreen(w.vidGraf, background), QColor(Qt::black));
        // Whether the mean's count, its probability, the status line and the plot are marked;
        // the new inputs' figures above them are not.
        auto marked = [&w] {
            return QList<bool>{!w.lbValNo->isEnabled(), !w.lbValPerc->isEnabled(),
                               !w.lbPool->isEnabled(), w.vidGraf->IsStale(),
                               !w.lbNum->isEnabled() || !w.lbRng->isEnabled() ||
                                   !w.lbVal->isEnabled()};
        };
        StartAnalysis(w, 10, 6);
        QVERIFY(w.IsAnalysisRunning());
        QCOMPARE(marked(), (QList<bool>{true, true, true, true, false}));
        QVERIFY(OnScreen(w.vidGraf, background) != QColor(Qt::black));
        if (ending == "cancelled")
            QTest::keyClick(&w, Qt::Key_Escape);
        release = true;
        fixture.WaitForAnalysis();
        QCOMPARE(marked(), (QList<bool>{false, false, false, false, false}));
        QCOMPARE(OnScreen(w.vidGraf, background), QColor(Qt::black));
        QCOMPARE(w.lbValNo->text(),
                 ending == "finished" ? "Value Possibilities: 4395456" : k3d6Labels[3]);
    }

    // During a run the window still shows the analysis before it: an export holds that one, and
    // its dialog says so.
    void anExportDuringARunHoldsTheAnalysisShown() {
        QList<SaveRequest> requests;
        WindowFixture fixture;
        const QString path = fixture.DirPath() + "/table.csv";
        fixture.services.compute = AfterTheFirst([](const DicePool&, const RunControl& control) {
            WaitUntil([] { return false; }, control);
            return DistributionTable();
        });
        fixture.services.chooseFileToSave = [&](QWidget*, const SaveRequest& request) {
            requests << request;
            return SaveAnswer{path, 0};
        };
        TForm1& w = fixture.Start();
        StartAnalysis(w, 10, 6);
        w.Exporttable1->trigger();
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests[0].caption,
                 "Export table of 3d6, the analysis shown until the new one is done");
        QCOMPARE(requests[0].proposedName, "3d6.csv");
        QTRY_VERIFY(!w.IsExportRunning());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll().split('\n').at(1),
                 "3,1,0.0046296296296296296,0.0046296296296296296,1");
    }

    // The bars are the run's: an export has progress of its own, and ending leaves them be.
    void anExportThatEndsDuringARunLeavesTheRunsProgressBarsAsTheyWere() {
        std::atomic<bool> exported{false};
        QString path;
        WindowFixture fixture;
        fixture.services.compute =
            AfterTheFirst([&](const DicePool& pool, const RunControl& control) {
                control.onProgress(0.25, 0.5);
                WaitUntil([&] { return exported.load(); }, control);
                return ComputeDistribution(pool);
            });
        fixture.services.chooseFileToSave = Answering(path);
        TForm1& w = fixture.Start();
        path = fixture.DirPath() + "/table.csv";
        StartAnalysis(w, 10, 6);
        QTRY_COMPARE(w.pb1->value(), 250);
        w.Exporttable1->trigger();
        QTRY_VERIFY(!w.IsExportRunning());
        QVERIFY(QFile::exists(path));
        QCOMPARE(w.pb1->value(), 250);
        QCOMPARE(w.pb2->value(), 500);
        exported = true;
        fixture.WaitForAnalysis();
        QCOMPARE(w.lbValNo->text(), "Value Possibilities: 4395456");
        QVERIFY(fixture.errors.isEmpty());
    }

    // A copy of the listing too large for the clipboard is reported as any error is.
    void aCopyTooLargeIsReported() {
        WindowFixture fixture;
        fixture.services.compute = ComputeCheckpointed;
        TForm1& w = fixture.Start();
        StartAnalysis(w, 2000, 100);
        fixture.WaitForAnalysis();
        w.meRes->SelectAll();
        w.meRes->CopySelection();
        QCOMPARE(fixture.errors.size(), 1);
        QVERIFY2(fixture.errors[0].contains("too much to copy"), qPrintable(fixture.errors[0]));
    }

    // Escape stops a run, whole or checkpointed, and leaves the analysis before it; the next
    // run completes, and its listing fills in with the lines of the whole table.
    void escapeCancelsARunAndLeavesThePreviousAnalysis_data() {
        QTest::addColumn<bool>("checkpointed");
        QTest::addColumn<int>("dice");
        QTest::addColumn<int>("faces");
        QTest::newRow("whole") << false << 2000 << 100;
        QTest::newRow("checkpointed") << true << 3000 << 300;
    }
    void escapeCancelsARunAndLeavesThePreviousAnalysis() {
        QFETCH(bool, checkpointed);
        QFETCH(int, dice);
        QFETCH(int, faces);
        WindowFixture fixture;
        if (checkpointed)
            fixture.services.compute = ComputeCheckpointed;
        TForm1& w = fixture.Start();
        StartAnalysis(w, dice, faces);
        QVERIFY(w.IsAnalysisRunning());
        QTest::keyClick(&w, Qt::Key_Escape);
        QVERIFY(!w.IsAnalysisRunning());
        QTest::qWait(50);
        QCOMPARE(Labels(w), k3d6Labels);
        QCOMPARE(w.meRes->LineCount(), 16);
        QCOMPARE(w.AnalysisState()->MinValue(), 3);
        QCOMPARE(w.pb1->value(), 0);

        StartAnalysis(w, 200, 61);
        fixture.WaitForAnalysis();
        QCOMPARE(w.AnalysisState()->IsCheckpointed(), checkpointed);
        const DistributionTable whole = ComputeDistribution(DicePool::Plain(200, 61));
        const Listing expected(whole);
        w.meRes->ScrollToLine(9000);
        QTRY_VERIFY(w.meRes->HasLine(9000) && w.meRes->HasLine(9005));
        for (std::int64_t line = 9000; line <= 9005; ++line)
            QCOMPARE(w.meRes->LineText(line), QString::fromStdString(expected.Line(line)));
        QVERIFY(fixture.errors.isEmpty());
    }
};

QTEST_MAIN(TestWindowRuns)
#include "tst_window_runs.moc"
