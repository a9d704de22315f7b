// SPDX-License-Identifier: MIT
// The readout of the plot: of the total under the pointer, and of the total the keys mark.
#include "tform1.h"

#include "decimal_separator.h"
#include "graph_colors.h"
#include "graph_pointer.h"
#include "plot_image.h"
#include "radio_group.h"
#include "readout.h"

#include <QEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QToolTip>

#include <algorithm>

namespace dorvanel {

GraphScaling TForm1::PlotScaling() {
    const GraphOptions options = CurrentGraphOptions();
    return GraphScaling(ScaledCountsFor(options.wholeYRange), options, plotArea_.width(),
                        plotArea_.height());
}

std::int64_t TForm1::TotalAt(QPoint point) {
    // Columns are counted from the plot's left edge, right of any axis.
    const std::int64_t x =
        static_cast<std::int64_t>(point.x() * vidGraf->Picture().devicePixelRatio()) -
        plotArea_.left();
    if (UsesSharePlot())
        return CurrentSharePlot().TotalAtColumn(x);
    return TotalAtColumn(PlotScaling(), radGraf->ItemIndex(), x);
}

QString TForm1::ReadoutAt(QPoint point) {
    if (!analysis_)
        return {};
    return ReadoutLinesAt(TotalAt(point)).join(QLatin1Char('\n'));
}

void TForm1::MarkTotal(std::int64_t total) {
    markedTotal_ = std::clamp<std::int64_t>(total, analysis_->MinValue(), analysis_->MaxValue());
    ShowMarker();
}

void TForm1::ShowMarker() {
    if (!analysis_ || !markedTotal_) {
        vidGraf->SetMarker(std::nullopt);
        return;
    }
    const qreal ratio = vidGraf->Picture().devicePixelRatio();
    const std::int64_t column =
        plotArea_.left() +
        (UsesSharePlot() ? CurrentSharePlot().ColumnOfTotal(*markedTotal_)
                         : ColumnOfTotal(PlotScaling(), radGraf->ItemIndex(), *markedTotal_));
    vidGraf->SetMarker(PlotMarker{static_cast<int>(column / ratio), ReadoutLinesAt(*markedTotal_),
                                  ContrastingColor(ColorFromBgr(dlgBG.Color()))});
}

bool TForm1::PlotKeyPress(const QKeyEvent& key) {
    if (!analysis_ || key.modifiers() & ~Qt::KeypadModifier)
        return false;
    const std::int64_t min = analysis_->MinValue();
    const std::int64_t max = analysis_->MaxValue();
    const std::int64_t marked = markedTotal_.value_or(analysis_->PeakTotal());
    // A tenth of the range, so that ten pages cross it; at least one total.
    const std::int64_t page = std::max<std::int64_t>(1, (max - min) / 10);
    switch (key.key()) {
    case Qt::Key_Left:
        MarkTotal(marked - 1);
        return true;
    case Qt::Key_Right:
        MarkTotal(marked + 1);
        return true;
    case Qt::Key_PageUp:
        MarkTotal(marked - page);
        return true;
    case Qt::Key_PageDown:
        MarkTotal(marked + page);
        return true;
    case Qt::Key_Home:
        MarkTotal(min);
        return true;
    case Qt::Key_End:
        MarkTotal(max);
        return true;
    default:
        return false;
    }
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched != vidGraf)
        return QMainWindow::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseMove:
    case QEvent::ToolTip: {
        const QPoint point = event->type() == QEvent::MouseMove
                                 ? static_cast<QMouseEvent*>(event)->position().toPoint()
                                 : static_cast<QHelpEvent*>(event)->pos();
        const QString text = ReadoutAt(point);
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(vidGraf->mapToGlobal(point), text, vidGraf);
        return event->type() == QEvent::ToolTip;
    }
    case QEvent::MouseButtonPress:
        // A click marks the total there, from where the keys go on.
        if (analysis_)
            MarkTotal(TotalAt(static_cast<QMouseEvent*>(event)->position().toPoint()));
        return false;
    case QEvent::FocusIn:
        if (analysis_ && !markedTotal_)
            markedTotal_ = analysis_->PeakTotal();
        ShowMarker();
        return false;
    case QEvent::KeyPress:
        return PlotKeyPress(*static_cast<QKeyEvent*>(event));
    default:
        return false;
    }
}

} // namespace dorvanel
