// SPDX-License-Identifier: MIT
#include "listing_view.h"

#include "error_reporter.h"
#include "errors.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <exception>

namespace dorvanel {
namespace {
// Beyond this a copy would take gigabytes of clipboard text.
constexpr std::uint64_t kMaxCopyBytes = std::uint64_t{256} << 20;
// Below this a whole table's lines are copied in a moment, at once; above it, or from
// checkpoints, off the window's thread.
constexpr std::uint64_t kCopyAtOnceBytes = std::uint64_t{1} << 20;
constexpr int kFocusFrameWidth = 2;
} // namespace

ListingView::ListingView(QWidget* parent) : QAbstractScrollArea(parent) {
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
}

void ListingView::Clear() {
    SetTable(nullptr);
}

void ListingView::SetTable(std::shared_ptr<const DistributionTable> table, LineWalk walk) {
    arriving_.reset();
    listing_.reset();
    table_ = std::move(table);
    walk_ = std::move(walk);
    longestLine_ = 0;
    if (table_ && !table_->empty()) {
        listing_.emplace(*table_);
        if (table_->IsCheckpointed()) {
            arriving_ = std::make_unique<ListingBlocks>(table_, walk_);
            connect(arriving_.get(), &ListingBlocks::LinesArrived, viewport(),
                    qOverload<>(&QWidget::update));
            connect(arriving_.get(), &ListingBlocks::Failed, this, &ListingView::Failed);
        }
        // The largest count's line is the longest.
        longestLine_ = listing_->LineLength(table_->LineOf(table_->PeakTotal()));
    }
    anchor_ = cursor_ = -1;
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    UpdateScrollBars();
    viewport()->update();
}

std::int64_t ListingView::LineCount() const {
    return listing_ ? listing_->LineCount() : 0;
}

QString ListingView::LineText(std::int64_t line) const {
    if (!listing_)
        return {};
    if (!arriving_)
        return QString::fromStdString(listing_->Line(line));
    if (const std::string* text = arriving_->Line(line))
        return QString::fromStdString(*text);
    return QString::fromStdString(Placeholder(line));
}

std::string ListingView::Placeholder(std::int64_t line) const {
    std::string text(listing_->HeadingLength(), ' ');
    listing_->WriteHeading(line, text.data());
    return text + "\u2026";
}

bool ListingView::HasLine(std::int64_t line) const {
    return listing_ && (!arriving_ || arriving_->Line(line) != nullptr);
}

std::int64_t ListingView::FirstVisibleLine() const {
    return verticalScrollBar()->value();
}

ListingView::Place ListingView::CurrentPlace() const {
    return {FirstVisibleLine(), horizontalScrollBar()->value(), anchor_, cursor_};
}

void ListingView::MoveTo(const Place& place) {
    if (place.anchor >= 0 && place.cursor >= 0)
        SelectLines(place.anchor, place.cursor);
    ScrollToLine(place.firstLine);
    horizontalScrollBar()->setValue(place.across);
}

std::optional<std::pair<std::int64_t, std::int64_t>> ListingView::Selection() const {
    if (anchor_ < 0)
        return std::nullopt;
    return std::make_pair(std::min(anchor_, cursor_), std::max(anchor_, cursor_));
}

void ListingView::SelectLines(std::int64_t first, std::int64_t last) {
    if (LineCount() == 0)
        return;
    anchor_ = std::clamp<std::int64_t>(first, 0, LineCount() - 1);
    cursor_ = std::clamp<std::int64_t>(last, 0, LineCount() - 1);
    viewport()->update();
}

void ListingView::SelectAll() {
    SelectLines(0, LineCount() - 1);
}

void ListingView::CopySelection() {
    const auto selection = Selection();
    if (!selection)
        return;
    std::uint64_t bytes = 0;
    for (std::int64_t line = selection->first; line <= selection->second && bytes <= kMaxCopyBytes;
         ++line)
        bytes += listing_->LineLength(line) + 1;
    if (bytes > kMaxCopyBytes) {
        emit Failed(tr("The selected lines hold more than %1 of text, too much to copy. "
                       "Select fewer lines.")
                        .arg(QString::fromStdString(DescribeBytes(kMaxCopyBytes))));
        return;
    }
    const auto [first, last] = *selection;
    if (!arriving_ && bytes <= kCopyAtOnceBytes) {
        std::string text;
        text.reserve(bytes);
        for (std::int64_t line = first; line <= last; ++line) {
            text += listing_->Line(line);
            text += '\n';
        }
        QApplication::clipboard()->setText(QString::fromStdString(text));
        return;
    }
    // Seconds for hundreds of megabytes, minutes where each line is a walk from a checkpoint.
    // The job holds the table, whatever the view shows meanwhile; `this` outlives the job (see
    // copy_).
    copy_.Start([this, table = table_, walk = walk_, first, last,
                 bytes](const std::shared_ptr<BackgroundJob::State>& job) {
        try {
            const Listing listing(*table, &job->cancel);
            std::string text;
            text.reserve(bytes);
            for (std::int64_t line = first; line <= last; ++line) {
                if (job->cancel)
                    throw AnalysisCancelled();
                text += walk ? walk(listing, line) : listing.Line(line);
                text += '\n';
            }
            auto copied = std::make_shared<const QString>(QString::fromStdString(text));
            copy_.Deliver(job, [this, copied] {
                CopyEnded();
                QApplication::clipboard()->setText(*copied);
            });
        } catch (const AnalysisCancelled&) {
            // Whoever cancelled has moved on.
        } catch (const std::exception& error) {
            copy_.Deliver(job, [this, message = ErrorText(error)] {
                CopyEnded();
                emit Failed(message);
            });
        }
    });
    viewport()->setCursor(Qt::BusyCursor);
    emit CopyStarted();
}

void ListingView::CancelCopy() {
    if (copy_.Abandon())
        CopyEnded();
}

void ListingView::CopyEnded() {
    viewport()->setCursor(Qt::IBeamCursor);
}

void ListingView::ScrollToLine(std::int64_t line) {
    verticalScrollBar()->setValue(
        static_cast<int>(std::clamp<std::int64_t>(line, 0, verticalScrollBar()->maximum())));
}

int ListingView::LineHeight() const {
    return fontMetrics().height();
}

int ListingView::CharWidth() const {
    return std::max(1, fontMetrics().horizontalAdvance(QLatin1Char('0')));
}

int ListingView::VisibleLines() const {
    return std::max(1, viewport()->height() / LineHeight());
}

std::int64_t ListingView::LineAt(int y) const {
    return FirstVisibleLine() + std::max(0, y) / LineHeight();
}

void ListingView::UpdateScrollBars() {
    const std::int64_t hiddenLines = std::max<std::int64_t>(0, LineCount() - VisibleLines());
    verticalScrollBar()->setRange(0,
                                  static_cast<int>(std::min<std::int64_t>(hiddenLines, INT_MAX)));
    verticalScrollBar()->setPageStep(VisibleLines());
    const std::int64_t textWidth = static_cast<std::int64_t>(longestLine_) * CharWidth();
    horizontalScrollBar()->setRange(
        0, static_cast<int>(std::clamp<std::int64_t>(textWidth - viewport()->width(), 0, INT_MAX)));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setSingleStep(CharWidth());
}

void ListingView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    const QColor background = palette().color(QPalette::Base);
    const QColor text = palette().color(QPalette::Text);
    painter.fillRect(viewport()->rect(), background);
    if (!listing_)
        return;

    const int lineHeight = LineHeight();
    const int charWidth = CharWidth();
    const int shift = horizontalScrollBar()->value();
    const std::size_t firstChar = static_cast<std::size_t>(shift / charWidth);
    const std::size_t charsInView = static_cast<std::size_t>(viewport()->width() / charWidth + 2);
    const int ascent = fontMetrics().ascent();
    const auto selection = Selection();
    const std::int64_t first = FirstVisibleLine();
    const std::int64_t last = std::min(LineCount() - 1, first + VisibleLines());
    for (std::int64_t line = first; line <= last; ++line) {
        const int top = static_cast<int>(line - first) * lineHeight;
        const bool selected = selection && line >= selection->first && line <= selection->second;
        if (selected)
            painter.fillRect(QRect(0, top, viewport()->width(), lineHeight), text);
        painter.setPen(selected ? background : text);
        // A line still on its way shows its total and an ellipsis.
        std::string_view chars;
        if (!arriving_) {
            lineBuffer_.resize(listing_->LineLength(line));
            listing_->WriteLine(line, lineBuffer_.data());
            chars = lineBuffer_;
        } else if (const std::string* arrived = arriving_->Line(line)) {
            chars = *arrived;
        } else {
            lineBuffer_ = Placeholder(line);
            chars = lineBuffer_;
        }
        // Only the characters in view are drawn: lines may be tens of thousands wide.
        if (firstChar >= chars.size())
            continue;
        const std::string_view visible = chars.substr(firstChar, charsInView);
        painter.drawText(static_cast<int>(firstChar) * charWidth - shift, top + ascent,
                         QString::fromUtf8(visible.data(), static_cast<qsizetype>(visible.size())));
    }
    if (hasFocus()) {
        painter.setBrush(Qt::NoBrush);
        // The line the keys move from.
        if (cursor_ >= first && cursor_ <= last) {
            painter.setPen(QPen(text, 1, Qt::DotLine));
            painter.drawRect(QRect(0, static_cast<int>(cursor_ - first) * lineHeight,
                                   viewport()->width() - 1, lineHeight - 1));
        }
        // The whole view, so that the focus shows however the lines stand.
        painter.setPen(QPen(text, kFocusFrameWidth));
        painter.drawRect(viewport()->rect().adjusted(kFocusFrameWidth / 2, kFocusFrameWidth / 2,
                                                     -kFocusFrameWidth / 2, -kFocusFrameWidth / 2));
    }
    if (arriving_)
        arriving_->Want(first, last);
}

void ListingView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void ListingView::MoveCursorTo(std::int64_t line, bool extend) {
    if (LineCount() == 0)
        return;
    cursor_ = std::clamp<std::int64_t>(line, 0, LineCount() - 1);
    if (!extend || anchor_ < 0)
        anchor_ = cursor_;
    if (cursor_ < FirstVisibleLine())
        ScrollToLine(cursor_);
    else if (cursor_ >= FirstVisibleLine() + VisibleLines())
        ScrollToLine(cursor_ - VisibleLines() + 1);
    viewport()->update();
}

void ListingView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        MoveCursorTo(LineAt(event->position().toPoint().y()),
                     event->modifiers() & Qt::ShiftModifier);
    QAbstractScrollArea::mousePressEvent(event);
}

void ListingView::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton)
        MoveCursorTo(LineAt(event->position().toPoint().y()), true);
}

void ListingView::keyPressEvent(QKeyEvent* event) {
    const bool extend = event->modifiers() & Qt::ShiftModifier;
    if (event->matches(QKeySequence::Copy)) {
        CopySelection();
    } else if (event->matches(QKeySequence::SelectAll)) {
        SelectAll();
    } else if (event->key() == Qt::Key_Down) {
        MoveCursorTo(cursor_ + 1, extend);
    } else if (event->key() == Qt::Key_Up) {
        MoveCursorTo(cursor_ - 1, extend);
    } else if (event->key() == Qt::Key_PageDown) {
        MoveCursorTo(cursor_ + VisibleLines(), extend);
    } else if (event->key() == Qt::Key_PageUp) {
        MoveCursorTo(cursor_ - VisibleLines(), extend);
    } else if (event->key() == Qt::Key_Home && (event->modifiers() & Qt::ControlModifier)) {
        // The start of the first line.
        MoveCursorTo(0, extend);
        horizontalScrollBar()->setValue(0);
    } else if (event->key() == Qt::Key_End && (event->modifiers() & Qt::ControlModifier)) {
        // The end of the last line.
        MoveCursorTo(LineCount() - 1, extend);
        if (LineCount() > 0)
            horizontalScrollBar()->setValue(static_cast<int>(std::min<std::int64_t>(
                static_cast<std::int64_t>(listing_->LineLength(LineCount() - 1)) * CharWidth() -
                    viewport()->width(),
                INT_MAX)));
    } else if (event->key() == Qt::Key_Home) {
        horizontalScrollBar()->setValue(0);
    } else if (event->key() == Qt::Key_End) {
        horizontalScrollBar()->setValue(horizontalScrollBar()->maximum());
    } else {
        QAbstractScrollArea::keyPressEvent(event);
    }
}

// The view paints the focus frame, and the lines are painted in the view.
void ListingView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void ListingView::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

void ListingView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* copy = menu.addAction(tr("Copy"), this, &ListingView::CopySelection);
    copy->setEnabled(Selection().has_value());
    QAction* selectAll = menu.addAction(tr("Select All"), this, &ListingView::SelectAll);
    selectAll->setEnabled(LineCount() > 0);
    menu.exec(event->globalPos());
}

} // namespace dorvanel
