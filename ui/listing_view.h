// SPDX-License-Identifier: MIT
// The listing of an analysis: one line per total, produced on demand from the table, so that a
// million lines of thousands of digits each never exist as one text; for a checkpointed table
// produced off the window's thread, with a placeholder until they arrive. Lines can be
// selected and copied.
#pragma once

#include "background_job.h"
#include "distribution_table.h"
#include "listing_blocks.h"
#include "report.h"

#include <QAbstractScrollArea>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace dorvanel {

class ListingView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit ListingView(QWidget* parent = nullptr);

    // Where the view stands: its scroll and its selection.
    struct Place {
        std::int64_t firstLine = 0;
        int across = 0;
        std::int64_t anchor = -1;
        std::int64_t cursor = -1;
    };

    void Clear();
    // `walk` stands in for the listing's own lines where they are worked out off the window's
    // thread (for tests).
    void SetTable(std::shared_ptr<const DistributionTable> table, LineWalk walk = {});
    const std::shared_ptr<const DistributionTable>& Table() const { return table_; }

    std::int64_t LineCount() const;
    // The line's text as shown: a checkpointed table's line that has not arrived shows its
    // total and an ellipsis. Empty without a table.
    QString LineText(std::int64_t line) const;
    // Whether the line can be painted without waiting.
    bool HasLine(std::int64_t line) const;
    std::int64_t FirstVisibleLine() const;
    Place CurrentPlace() const;
    // Scrolls and selects as `place` says, as far as the lines reach.
    void MoveTo(const Place& place);

    // Selected lines, from first to last inclusive; empty when nothing is selected.
    std::optional<std::pair<std::int64_t, std::int64_t>> Selection() const;
    void SelectLines(std::int64_t first, std::int64_t last);
    void SelectAll();
    // Puts the selected lines on the clipboard; a selection too large to copy is refused with
    // Failed. A checkpointed table's lines, or more than a megabyte of a whole table's, are
    // copied off the window's thread, and reach the clipboard only if the copy is not
    // cancelled; fewer of a whole table's at once.
    void CopySelection();
    bool IsCopyRunning() const { return copy_.IsRunning(); }
    // Stops the copy under way, if any: the clipboard keeps what it had.
    void CancelCopy();
    void ScrollToLine(std::int64_t line);

signals:
    // A command of the view could not be done; the message says why.
    void Failed(const QString& message);
    // A copy has started off the window's thread.
    void CopyStarted();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    int LineHeight() const;
    int CharWidth() const;
    int VisibleLines() const;
    std::int64_t LineAt(int y) const;
    void MoveCursorTo(std::int64_t line, bool extend);
    void UpdateScrollBars();
    // What shows for a line still on its way.
    std::string Placeholder(std::int64_t line) const;
    void CopyEnded();

    std::shared_ptr<const DistributionTable> table_;
    std::optional<Listing> listing_;
    std::unique_ptr<ListingBlocks> arriving_; // for a checkpointed table
    std::size_t longestLine_ = 0;
    std::int64_t anchor_ = -1;
    std::int64_t cursor_ = -1;
    mutable std::string lineBuffer_;
    LineWalk walk_;
    // Last, so that it goes first: its work posts to the view until it has let go.
    BackgroundJob copy_{this};
};

} // namespace dorvanel
