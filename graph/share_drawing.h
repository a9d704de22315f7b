// SPDX-License-Identifier: MIT
// Draws the share plot: the analysis shown in the graph's style and colours, the pools kept for
// comparison over it as outlines in their own colours; and what a reader needs around a graph:
// a legend naming each pool, and axes.
#pragma once

#include "graph_colors.h"
#include "share_plot.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>

#include <vector>

namespace dorvanel {

// The colours of the pools kept for comparison, in the order they were kept.
const std::vector<QColor>& ComparisonColors();

// Paints the whole image from scratch: the plot's first table as the counts' graph draws it, in
// `colors`; every further one as an outline in the comparison colour of its place. One image
// pixel per plot pixel, as PaintGraph.
void PaintShareGraph(QImage& canvas, const SharePlot& plot, const GraphColors& colors);

// A box in the top right corner of `area`, or the top left one, naming each pool beside a
// swatch of its colour.
void PaintLegend(QImage& canvas, const QRect& area, const QStringList& names,
                 const std::vector<QColor>& colors, const QFont& font, QColor background,
                 bool atLeft = false);

// A tick of an axis: where, in the image's pixels across or down it, and its label.
struct AxisTick {
    int at = 0;
    QString label;
};

// The room axes take: below the plot for the totals, left of it for the scale.
int BottomAxisHeight(const QFont& font);
int LeftAxisWidth(const std::vector<AxisTick>& scale, const QFont& font);

// Ticks and labels of totals below `area` and of the scale left of it, in `color`.
void PaintAxes(QImage& canvas, const QRect& area, const std::vector<AxisTick>& totals,
               const std::vector<AxisTick>& scale, const QFont& font, QColor color);

} // namespace dorvanel
