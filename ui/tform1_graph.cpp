// SPDX-License-Identifier: MIT
// The graph: drawing the last completed analysis, and the controls that change how.
#include "tform1.h"

#include "graph_drawing.h"
#include "graph_pointer.h"
#include "plot_image.h"
#include "radio_group.h"
#include "share_drawing.h"

#include <QCheckBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <functional>

namespace dorvanel {
namespace {

// The scale beside the plot: shares of all outcomes, or counts in units of 10^exponent, as
// the counts' graph holds them, so that counts of thousands of digits have a scale too.
struct ScaleRange {
    long double top; // the value at the top of the plot, in those units
    bool shares;
    int exponent = 0;
};

ScaleRange CountScale(const ScaledCounts& counts) {
    return {static_cast<long double>(counts.YTop()), false,
            std::max(0, counts.ReferenceWidth() - 5)};
}

// "12.5%"; counts whole below ten million, else as the general rendering writes them: "4E6".
QString ScaleLabel(long double value, const ScaleRange& range) {
    if (range.shares)
        return QString::number(static_cast<double>(value * 100), 'g', 4) + QLatin1Char('%');
    if (value <= 0)
        return QStringLiteral("0");
    const int power = static_cast<int>(std::floor(std::log10(value)));
    const long long exponent = static_cast<long long>(power) + range.exponent;
    if (exponent < 7)
        return QString::number(std::llround(value * std::pow(10.0L, range.exponent)));
    const long double mantissa = value / std::pow(10.0L, power);
    return QString::number(static_cast<double>(mantissa), 'g', 6) + QLatin1Char('E') +
           QString::number(exponent);
}

} // namespace

GraphOptions TForm1::CurrentGraphOptions() const {
    return {cbRange1->isChecked(), cbWholeY->isChecked(), radGraf->ItemIndex()};
}

void TForm1::DrawGraph() {
    RunReportingErrors([this] {
        QImage canvas = vidGraf->BlankPicture();
        RenderGraph(canvas, Showaxes1->isChecked());
        vidGraf->SetPicture(std::move(canvas));
        // The marked total moves with its point.
        ShowMarker();
    });
}

void TForm1::RenderGraph(QImage& canvas, bool axes) {
    const GraphOptions options = CurrentGraphOptions();
    const GraphColors colors{dlgColor.Color(), dlgFill.Color(), dlgBG.Color()};
    plotArea_ = QRect(QPoint(0, 0), canvas.size());
    if (!analysis_) {
        PaintGraph(canvas, DistributionTable(), options, colors);
        return;
    }
    const bool shares = UsesSharePlot();
    if (!axes) {
        if (shares)
            PaintShareGraph(canvas, CurrentSharePlot(), colors);
        else
            PaintGraph(canvas, ScaledCountsFor(options.wholeYRange), options, colors);
    } else {
        // The plot takes what the axes leave: its scale depends on its height only, so the
        // scale's labels, and with them the room they take, are known before its width.
        const qreal ratio = canvas.devicePixelRatio();
        QFont axisFont = font();
        axisFont.setPixelSize(std::max(1, qRound(QFontInfo(font()).pixelSize() * ratio)));
        const int height = std::max(0, canvas.height() - BottomAxisHeight(axisFont));
        const QFontMetrics metrics(axisFont);
        ScaleRange range = shares ? ScaleRange{SharePlot(PlottedTables(), CurrentSharePlotOptions(),
                                                         canvas.width(), height)
                                                   .TopShare(),
                                               true}
                                  : CountScale(*ScaledCountsFor(options.wholeYRange));
        std::vector<AxisTick> scale;
        for (const long double value :
             AxisTicks(0, range.top, height - 2 * kPlotMargin, 2 * metrics.height()))
            scale.push_back(
                {static_cast<int>(height - kPlotMargin -
                                  std::trunc(value * (height - 2 * kPlotMargin) / range.top)),
                 ScaleLabel(value, range)});
        const int left = std::min(canvas.width(), LeftAxisWidth(scale, axisFont));
        plotArea_ = QRect(left, 0, canvas.width() - left, height);

        QImage plot(plotArea_.size(), QImage::Format_RGB32);
        std::int64_t first = 0;
        std::int64_t last = 0;
        std::function<std::int64_t(std::int64_t)> column;
        if (shares) {
            const SharePlot sharePlot = CurrentSharePlot();
            PaintShareGraph(plot, sharePlot, colors);
            first = sharePlot.FirstTotal();
            last = sharePlot.LastTotal();
            column = [sharePlot](std::int64_t total) { return sharePlot.ColumnOfTotal(total); };
        } else {
            const std::shared_ptr<const ScaledCounts>& counts =
                ScaledCountsFor(options.wholeYRange);
            PaintGraph(plot, counts, options, colors);
            first = options.wholeXRange ? counts->FirstTotal() : counts->MinValue();
            last = options.wholeXRange ? counts->LastTotal() : counts->MaxValue();
            const GraphScaling scaling(counts, options, plot.width(), plot.height());
            column = [scaling, style = options.style](std::int64_t total) {
                return ColumnOfTotal(scaling, style, total);
            };
        }
        int widest = 0;
        for (const std::int64_t total : {first, last})
            widest = std::max(widest, metrics.horizontalAdvance(QString::number(total)));
        std::vector<AxisTick> totals;
        for (const long double value :
             AxisTicks(static_cast<long double>(first), static_cast<long double>(last),
                       plot.width(), widest + metrics.height(), 1))
            totals.push_back({static_cast<int>(column(std::llround(value))),
                              QString::number(std::llround(value))});

        canvas.setDevicePixelRatio(1);
        canvas.fill(ColorFromBgr(colors.background));
        {
            QPainter painter(&canvas);
            painter.drawImage(plotArea_.topLeft(), plot);
        }
        PaintAxes(canvas, plotArea_, totals, scale, axisFont,
                  ContrastingColor(ColorFromBgr(colors.background)));
        canvas.setDevicePixelRatio(ratio);
    }
    if (!pins_.empty()) {
        QStringList names;
        std::vector<QColor> swatches{ColorFromBgr(colors.pen)};
        for (const auto& table : PlottedTables())
            names << QString::fromStdString(table->pool().Notation());
        for (std::size_t i = 0; i < pins_.size(); ++i)
            swatches.push_back(ComparisonColors()[i % ComparisonColors().size()]);
        const qreal ratio = canvas.devicePixelRatio();
        QFont legendFont = font();
        legendFont.setPixelSize(std::max(1, qRound(QFontInfo(font()).pixelSize() * ratio)));
        canvas.setDevicePixelRatio(1);
        // Shares of at most a total climb to the right: the legend keeps out of their way.
        PaintLegend(canvas, plotArea_, names, swatches, legendFont, ColorFromBgr(colors.background),
                    CurrentShareView() == ShareView::AtMost);
        canvas.setDevicePixelRatio(ratio);
    }
}

const std::shared_ptr<const ScaledCounts>& TForm1::ScaledCountsFor(bool wholeYRange) {
    if (!scaledCounts_ || scaledTable_ != analysis_ ||
        scaledCounts_->WholeYRange() != wholeYRange) {
        scaledCounts_ = std::make_shared<const ScaledCounts>(*analysis_, wholeYRange);
        scaledTable_ = analysis_;
    }
    return scaledCounts_;
}

void TForm1::radGrafClick() {
    DrawGraph();
}

void TForm1::ChooseColor(ColorDialog& dialog) {
    dialog.Execute(this, services_.chooseColor);
    DrawGraph();
}

void TForm1::Button1Click() {
    ChooseColor(dlgColor);
}
void TForm1::Button2Click() {
    ChooseColor(dlgFill);
}
void TForm1::Button3Click() {
    ChooseColor(dlgBG);
}

void TForm1::btnClearGrafClick() {
    QImage picture = vidGraf->Picture();
    ClearGraph(picture, dlgBG.Color());
    vidGraf->SetPicture(std::move(picture));
}

} // namespace dorvanel
