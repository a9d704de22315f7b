// SPDX-License-Identifier: MIT
#include "graph_drawing.h"

#include "column_canvas.h"

namespace dorvanel {
namespace {

void DrawLineGraph(ColumnCanvas& canvas, const GraphScaling& scaling, std::int64_t width, QRgb pen,
                   QRgb fill) {
    const ScaledCounts& counts = scaling.Counts();
    const std::int64_t baseline = scaling.Baseline();
    PixelPoint current{0, baseline};
    canvas.Line({width, baseline}, current, pen);
    for (std::int64_t total = counts.FirstTotal(); total <= counts.LastTotal(); ++total) {
        const PixelPoint point{scaling.X(total), scaling.Y(total)};
        const PixelPoint foot{point.x, baseline};
        // Up to the first possible total the baseline grows along the empty totals and the
        // stem rises from it; after it the curve leads to the point and the stem hangs below.
        // A stem drawn down and back up paints its pixels once.
        if (total <= counts.MinValue()) {
            canvas.Line(current, foot, pen);
            canvas.Line(foot, point, fill);
        } else {
            canvas.Line(current, point, pen);
            canvas.Line(point, foot, fill);
        }
        current = point;
    }
    canvas.Line(current, {width, current.y}, pen);
}

// Each bar starts where the one before ended, the first at the left edge.
void DrawBarGraph(ColumnCanvas& canvas, const GraphScaling& scaling, QRgb pen, QRgb fill) {
    const std::int64_t baseline = scaling.Baseline();
    std::int64_t left = 0;
    const ScaledCounts& counts = scaling.Counts();
    for (std::int64_t total = counts.FirstTotal(); total <= counts.LastTotal(); ++total) {
        const std::int64_t right = scaling.X(total);
        canvas.Box({left, scaling.Y(total)}, {right, baseline}, pen, fill);
        left = right;
    }
}

// A Format_RGB32 image of the canvas's size and pixel ratio, filled with the background.
void PrepareCanvas(QImage& canvas, std::int32_t background) {
    if (canvas.format() != QImage::Format_RGB32) {
        QImage replacement(canvas.size(), QImage::Format_RGB32);
        replacement.setDevicePixelRatio(canvas.devicePixelRatio());
        canvas = std::move(replacement);
    }
    ClearGraph(canvas, background);
}

} // namespace

void PaintGraph(QImage& canvas, std::shared_ptr<const ScaledCounts> counts,
                const GraphOptions& options, const GraphColors& colors) {
    PrepareCanvas(canvas, colors.background);
    if (canvas.isNull())
        return;
    const qreal pixelRatio = canvas.devicePixelRatio();
    canvas.setDevicePixelRatio(1);
    {
        const GraphScaling scaling(std::move(counts), options, canvas.width(), canvas.height());
        const QRgb pen = ColorFromBgr(colors.pen).rgb();
        const QRgb fill = ColorFromBgr(colors.fill).rgb();
        ColumnCanvas columnCanvas(canvas);
        if (options.style == kLineStyle)
            DrawLineGraph(columnCanvas, scaling, canvas.width(), pen, fill);
        else
            DrawBarGraph(columnCanvas, scaling, pen, fill);
    }
    canvas.setDevicePixelRatio(pixelRatio);
}

void PaintGraph(QImage& canvas, const DistributionTable& table, const GraphOptions& options,
                const GraphColors& colors) {
    if (table.empty()) {
        PrepareCanvas(canvas, colors.background);
        return;
    }
    PaintGraph(canvas, std::make_shared<const ScaledCounts>(table, options.wholeYRange), options,
               colors);
}

void ClearGraph(QImage& canvas, std::int32_t background) {
    canvas.fill(ColorFromBgr(background));
}

} // namespace dorvanel
