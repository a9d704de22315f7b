// SPDX-License-Identifier: MIT
// Times the window: from Analyze to the labels and listing of 1000d6, how long the event loop
// ever waits while 1000d1000 is computed, and how long scrolling its listing to the middle or
// elsewhere takes to paint; then 10000d1000, checkpointed: the run, and how soon a screen of its
// listing is painted after a jump. Runs without a display (QT_QPA_PLATFORM=offscreen is set if
// unset). --quick leaves out 10000d1000.
#include "listing_view.h"
#include "plot_image.h"
#include "spin_edit.h"
#include "tform1.h"
#include "window_services.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool missedAny = false;

void Report(const char* what, double milliseconds, double target) {
    const bool met = milliseconds <= target;
    missedAny |= !met;
    std::printf("  %-52s %9.1f ms (target %g: %s)\n", what, milliseconds, target,
                met ? "met" : "MISSED");
}

// Sleeps between events, as the window's own loop does: the end of a run arrives as one. A
// loop that polled would take a core from the run it waits for.
void WaitWhileRunning(const dorvanel::TForm1& window) {
    while (window.IsAnalysisRunning())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

// Scrolls the listing and waits until every line in view has arrived and is painted.
double JumpAndPaint(dorvanel::ListingView& listing, std::int64_t line) {
    QElapsedTimer clock;
    clock.start();
    listing.ScrollToLine(line);
    listing.viewport()->repaint();
    const std::int64_t first = listing.FirstVisibleLine();
    const std::int64_t last =
        std::min(listing.LineCount() - 1,
                 first + listing.viewport()->height() / listing.fontMetrics().height());
    auto allThere = [&] {
        for (std::int64_t l = first; l <= last; ++l)
            if (!listing.HasLine(l))
                return false;
        return true;
    };
    while (!allThere())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    listing.viewport()->repaint();
    return clock.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTemporaryDir settingsDir;
    QDir::setCurrent(settingsDir.path());
    dorvanel::WindowServices services;
    services.reportError = [](QWidget*, const QString& message) {
        std::fprintf(stderr, "error: %s\n", qPrintable(message));
        missedAny = true;
    };

    dorvanel::TForm1 window(services);
    window.show();
    WaitWhileRunning(window);
    std::printf("Window\n");

    // 1000d6: from the click to labels and listing in place, painted.
    window.seDieNo->SetValue(1000);
    window.seDieType->SetValue(6);
    QElapsedTimer clock;
    clock.start();
    window.Analyze->click();
    WaitWhileRunning(window);
    window.repaint();
    Report("Analyze 1000d6 to labels and listing shown", clock.nsecsElapsed() / 1e6, 50);

    // 1000d1000: a timer ticks every 10 ms; the longest wait between ticks is how long the
    // window would not have answered.
    window.seDieNo->SetValue(1000);
    window.seDieType->SetValue(1000);
    QElapsedTimer sinceTick;
    double longestGap = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, sinceTick.nsecsElapsed() / 1e6);
        sinceTick.restart();
        window.pb1->repaint();
    });
    clock.restart();
    sinceTick.start();
    ticker.start(10);
    window.Analyze->click();
    WaitWhileRunning(window);
    ticker.stop();
    std::printf("  %-52s %9.1f ms\n", "Analyze 1000d1000 (whole run)", clock.nsecsElapsed() / 1e6);
    Report("longest gap between events during 1000d1000", longestGap, 100);

    clock.restart();
    window.meRes->ScrollToLine(window.meRes->LineCount() / 2);
    window.meRes->viewport()->repaint();
    Report("scroll the 1000d1000 listing to its middle, painted", clock.nsecsElapsed() / 1e6, 16.7);
    // A first screen keeps few checkpoints: lines elsewhere are recomputed on demand.
    double longestJump = 0;
    for (const double place : {0.1, 0.23, 0.37, 0.61, 0.78, 0.99})
        longestJump =
            std::max(longestJump,
                     JumpAndPaint(*window.meRes,
                                  static_cast<std::int64_t>(place * window.meRes->LineCount())));
    Report("1000d1000 listing: longest of 6 jumps elsewhere, painted", longestJump, 500);

    // The readout as the pointer sweeps the 1000d1000 graph: the slowest of its updates.
    double slowestReadout = 0;
    for (int x = 0; x < window.vidGraf->width(); x += 3) {
        clock.restart();
        const QString text = window.ReadoutAt(QPoint(x, window.vidGraf->height() / 2));
        slowestReadout = std::max(slowestReadout, clock.nsecsElapsed() / 1e6);
        if (text.isEmpty())
            missedAny = true;
    }
    Report("slowest readout across the 1000d1000 graph", slowestReadout, 16.7);

    if (!quick) {
        window.seDieNo->SetValue(10000);
        window.seDieType->SetValue(1000);
        longestGap = 0;
        clock.restart();
        sinceTick.restart();
        ticker.start(10);
        window.Analyze->click();
        WaitWhileRunning(window);
        ticker.stop();
        Report("Analyze 10000d1000 to labels and graph", clock.nsecsElapsed() / 1e6, 60000);
        Report("longest gap between events during 10000d1000", longestGap, 100);
        dorvanel::ListingView& listing = *window.meRes;
        const std::int64_t page = listing.viewport()->height() / listing.fontMetrics().height();
        Report("10000d1000 listing: jump to the middle, painted",
               JumpAndPaint(listing, listing.LineCount() / 2), 500);
        Report("10000d1000 listing: a page on from there",
               JumpAndPaint(listing, listing.LineCount() / 2 + page), 16.7);
        // Places between checkpoints, wherever they fall: the longest is what a user may meet.
        longestJump = 0;
        for (const double place : {0.1, 0.23, 0.3, 0.37, 0.44, 0.61, 0.78})
            longestJump = std::max(
                longestJump,
                JumpAndPaint(listing, static_cast<std::int64_t>(place * listing.LineCount())));
        Report("10000d1000 listing: longest of 7 jumps elsewhere, painted", longestJump, 500);
        Report("10000d1000 listing: jump to the end, painted",
               JumpAndPaint(listing, listing.LineCount() - page), 500);
        Report("10000d1000 listing: a line back from there",
               JumpAndPaint(listing, listing.LineCount() - page - 1), 16.7);
    }

    std::printf(missedAny ? "\nSome targets were missed.\n" : "\nAll targets met.\n");
    return missedAny ? 1 : 0;
}
