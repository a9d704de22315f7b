// SPDX-License-Identifier: MIT
#include "distribution.h"
#include "errors.h"
#include "listing_blocks.h"
#include "listing_view.h"
#include "report.h"

#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>

using namespace dorvanel;

namespace {

std::shared_ptr<const DistributionTable> Table(int dice, int faces, std::uint64_t budget = 0) {
    RunControl control;
    if (budget != 0)
        control.memoryBudget = budget;
    return std::make_shared<const DistributionTable>(
        ComputeDistribution(DicePool::Plain(dice, faces), control));
}

// A listing view of 300 lines of 80 to 90 characters, shown with room for about 20 lines of
// 40 characters.
struct ShownListing {
    ShownListing() {
        view.SetTable(Table(300, 6));
        view.resize(300, 20 * view.fontMetrics().height() + 2 * view.frameWidth() + 20);
        view.show();
        if (!QTest::qWaitForWindowExposed(&view))
            qFatal("the listing was not shown");
    }
    ListingView view;
};

} // namespace

class TestListingView : public QObject {
    Q_OBJECT
private slots:
    void keysMoveTheCursorAndScroll_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("cursor");   // after the key, from line 100; -1: unchanged
        QTest::addColumn<int>("scrolled"); // the horizontal scroll: 0 start, 1 end, -1 not moved
        QTest::newRow("Down") << int(Qt::Key_Down) << 0 << 101 << -1;
        QTest::newRow("Up") << int(Qt::Key_Up) << 0 << 99 << -1;
        QTest::newRow("Page Down") << int(Qt::Key_PageDown) << 0 << 120 << -1;
        QTest::newRow("Page Up") << int(Qt::Key_PageUp) << 0 << 80 << -1;
        QTest::newRow("Ctrl+End") << int(Qt::Key_End) << int(Qt::ControlModifier) << 1500 << -1;
        QTest::newRow("Ctrl+Home, to the start of the first line")
            << int(Qt::Key_Home) << int(Qt::ControlModifier) << 0 << 0;
        QTest::newRow("End, to the end of the lines") << int(Qt::Key_End) << 0 << 100 << 1;
        QTest::newRow("Home, back to their start") << int(Qt::Key_Home) << 0 << 100 << 0;
    }
    void keysMoveTheCursorAndScroll() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, cursor);
        QFETCH(int, scrolled);
        ShownListing shown;
        ListingView& view = shown.view;
        const int page = view.viewport()->height() / view.fontMetrics().height();
        QCOMPARE(page, 20);
        view.SelectLines(100, 100);
        QScrollBar* across = view.horizontalScrollBar();
        QVERIFY(across->maximum() > 0);
        across->setValue(scrolled == 0 ? across->maximum() : 0);
        QTest::keyClick(&view, static_cast<Qt::Key>(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(view.Selection(),
                 std::make_optional(std::make_pair<std::int64_t, std::int64_t>(cursor, cursor)));
        if (scrolled >= 0)
            QCOMPARE(across->value(), scrolled == 0 ? 0 : across->maximum());
    }

    void shiftExtendsTheSelection() {
        ShownListing shown;
        shown.view.SelectLines(100, 100);
        QTest::keyClick(&shown.view, Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(&shown.view, Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(shown.view.Selection(),
                 std::make_optional(std::make_pair<std::int64_t, std::int64_t>(100, 102)));
    }

    void showsWhenItHasTheFocus() {
        ShownListing shown;
        shown.view.activateWindow();
        shown.view.clearFocus();
        QTRY_VERIFY(!shown.view.hasFocus());
        const QImage unfocused = shown.view.viewport()->grab().toImage();
        shown.view.setFocus();
        QTRY_VERIFY(shown.view.hasFocus());
        QVERIFY(shown.view.viewport()->grab().toImage() != unfocused);
    }

    // Room for twenty and a half lines: the half line is painted as far as it shows.
    void aPartlyVisibleLastLineIsPainted() {
        ShownListing shown;
        ListingView& view = shown.view;
        const int lineHeight = view.fontMetrics().height();
        const int height = 20 * lineHeight + lineHeight / 2;
        view.resize(view.width(), view.height() - view.viewport()->height() + height);
        QTRY_COMPARE(view.viewport()->height(), height);
        const QImage picture = view.viewport()->grab().toImage();
        const QRgb background = view.palette().color(QPalette::Base).rgb();
        int painted = 0;
        // Inside the frame the focus may draw round the view.
        for (int y = 20 * lineHeight; y < height - 1; ++y)
            for (int x = 1; x < picture.width() - 1; ++x)
                painted += picture.pixel(x, y) != background;
        QVERIFY(painted > 0);
    }

    void noTableNoLines() {
        ListingView view;
        QCOMPARE(view.LineCount(), 0);
        QCOMPARE(view.LineText(0), QString());
        view.SelectAll();
        QCOMPARE(view.Selection(), std::nullopt);
    }

    void copiesAreLimited() {
        // About 700 MB of lines, checkpointed so that the test holds little of it.
        ListingView view;
        QSignalSpy failed(&view, &ListingView::Failed);
        view.SetTable(Table(2000, 100, 1));
        QApplication::clipboard()->setText("before");
        view.SelectAll();
        view.CopySelection();
        QCOMPARE(failed.size(), 1);
        const QString message = failed[0][0].toString();
        QVERIFY2(message.contains("268.4 MB"), qPrintable(message));
        QCOMPARE(QApplication::clipboard()->text(), "before");
    }

    // The last block is short: a line past it, or before the first, is a fault that stops
    // with its name instead of reading outside the block.
    void linesOutsideTheBlocksAreRefused() {
        const auto table = Table(200, 61, 1);
        const std::int64_t lines = Listing(*table).LineCount();
        ListingBlocks blocks(table);
        QVERIFY(lines % ListingBlocks::kBlockLines != 0);
        blocks.Want(0, lines - 1);
        QTRY_VERIFY(blocks.Line(0) && blocks.Line(lines - 1));
        for (const std::int64_t line : {std::int64_t{-1}, lines})
            QVERIFY_THROWS_EXCEPTION(InternalError, blocks.Line(line));
    }

    // A checkpointed table's lines arrive from another thread: placeholders first, then the
    // very lines of the whole table, wherever the view jumps.
    void checkpointedLinesArrive_data() {
        QTest::addColumn<int>("firstLine");
        QTest::newRow("start") << 0;
        QTest::newRow("middle") << 6000;
        QTest::newRow("between checkpoints, upper half") << 9100;
        QTest::newRow("end") << 12000 - 20;
    }
    void checkpointedLinesArrive() {
        QFETCH(int, firstLine);
        const auto whole = Table(200, 61);
        const auto checkpointed = Table(200, 61, whole->StorageBytes() / 2);
        QVERIFY(checkpointed->IsCheckpointed());
        const Listing expected(*whole);
        ShownListing shown;
        ListingView& view = shown.view;
        view.SetTable(checkpointed);
        view.ScrollToLine(firstLine);
        QCOMPARE(view.FirstVisibleLine(), firstLine);
        QTRY_VERIFY(view.HasLine(firstLine) && view.HasLine(firstLine + 19));
        for (int line = firstLine; line < firstLine + 20; ++line)
            QCOMPARE(view.LineText(line), QString::fromStdString(expected.Line(line)));
        QVERIFY(!view.grab().isNull());
    }

    // A walk that fails off the window's thread is reported, once, and the view stays: what
    // had not arrived keeps its placeholder.
    void aFailedWalkIsReported_data() {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("message");
        QTest::newRow("an internal error") << "internal"
                                           << "Internal error: the walk lost its place";
        QTest::newRow("out of memory") << "memory"
                                       << "Out of memory";
    }
    void aFailedWalkIsReported() {
        QFETCH(QString, failure);
        QFETCH(QString, message);
        ShownListing shown;
        ListingView& view = shown.view;
        QSignalSpy failed(&view, &ListingView::Failed);
        view.SetTable(Table(200, 61, 1), [&](const Listing& listing, std::int64_t line) {
            if (line < 6000)
                return listing.Line(line);
            if (failure == "memory")
                throw std::bad_alloc();
            throw InternalError("the walk lost its place");
        });
        view.ScrollToLine(6000);
        QTRY_COMPARE(failed.size(), 1);
        QCOMPARE(failed[0][0].toString(), message);
        QVERIFY(!view.HasLine(6000));
        QCOMPARE(view.LineText(6000), QString::fromUtf8(" 6200: \u2026"));
        QVERIFY(!view.grab().isNull());
    }

    // Asking for other lines abandons the block on its way: its walk stops, it never arrives,
    // nothing is reported, and the lines asked for arrive.
    void anAbandonedBlockNeverArrives() {
        std::mutex mutex;
        std::condition_variable moved;
        bool started = false;
        bool askedElsewhere = false;
        ListingBlocks blocks(Table(200, 61, 1), [&](const Listing& listing, std::int64_t line) {
            if (line == 0) {
                std::unique_lock lock(mutex);
                started = true;
                moved.notify_all();
                moved.wait_for(lock, std::chrono::seconds(60), [&] { return askedElsewhere; });
                // A walk far from here, which the abandoned block stops.
                return listing.Line(3000);
            }
            return listing.Line(line);
        });
        QSignalSpy failures(&blocks, &ListingBlocks::Failed);
        blocks.Want(0, 0);
        {
            std::unique_lock lock(mutex);
            QVERIFY(moved.wait_for(lock, std::chrono::seconds(60), [&] { return started; }));
        }
        blocks.Want(9000, 9000);
        {
            const std::lock_guard lock(mutex);
            askedElsewhere = true;
        }
        moved.notify_all();
        QTRY_VERIFY(blocks.Line(9000));
        QCoreApplication::processEvents();
        QVERIFY(!blocks.Line(0));
        QCOMPARE(failures.size(), 0);
    }

    // Megabytes of lines, and any of a checkpointed table, are copied off the window's thread:
    // the very lines of the whole table when the copy ends, nothing at all when it is cancelled.
    void largeCopiesAreMadeAside_data() {
        QTest::addColumn<bool>("checkpointed");
        QTest::addColumn<bool>("cancelled");
        QTest::newRow("checkpointed, copied") << true << false;
        QTest::newRow("checkpointed, cancelled") << true << true;
        QTest::newRow("whole, copied") << false << false;
        QTest::newRow("whole, cancelled") << false << true;
    }
    void largeCopiesAreMadeAside() {
        QFETCH(bool, checkpointed);
        QFETCH(bool, cancelled);
        const auto whole = Table(200, 61);
        const auto table = checkpointed ? Table(200, 61, whole->StorageBytes() / 2) : whole;
        QCOMPARE(table->IsCheckpointed(), checkpointed);
        const Listing expected(*whole);
        QClipboard* clipboard = QApplication::clipboard();
        clipboard->setText("before");
        QSignalSpy changed(clipboard, &QClipboard::dataChanged);
        ListingView view;
        view.SetTable(table);
        // Across checkpoints, to the last line.
        view.SelectAll();
        view.CopySelection();
        QVERIFY(view.IsCopyRunning());
        QCOMPARE(clipboard->text(), "before");
        if (cancelled) {
            view.CancelCopy();
            QVERIFY(!view.IsCopyRunning());
            // The same again, after it on the one thread: the only copy to arrive.
            view.CopySelection();
        }
        QString text;
        for (std::int64_t line = 0; line < expected.LineCount(); ++line)
            text += QString::fromStdString(expected.Line(line)) + '\n';
        QTRY_VERIFY_WITH_TIMEOUT(!view.IsCopyRunning(), 60000);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(clipboard->text(), text);
    }
};

QTEST_MAIN(TestListingView)
#include "tst_listing_view.moc"
