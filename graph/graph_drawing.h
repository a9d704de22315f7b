// SPDX-License-Identifier: MIT
// Draws a distribution on the plot image: a line through every total's point with a stem
// under each, or adjacent bars, in the pen, fill and background colours.
//
// Pixels: a line paints both of its end points; a bar from its left edge to its right edge
// and from its top down to the baseline paints that closed box, border in the pen colour,
// inside in the fill colour. Adjacent bars therefore share one border column, a bar of no
// height is a pen line on the baseline, and a right edge at x = W lies just outside the image.
#pragma once

#include "graph_colors.h"
#include "graph_scaling.h"

#include <QImage>

#include <memory>

namespace dorvanel {

// Paints the whole image from scratch, one image pixel per plot pixel whatever its device
// pixel ratio; an image of another format is replaced by a Format_RGB32 one of the same size.
// The counts' own Y mode is the one drawn.
void PaintGraph(QImage& canvas, std::shared_ptr<const ScaledCounts> counts,
                const GraphOptions& options, const GraphColors& colors);
// The same, scaling the table's counts first; a table without an analysis leaves the
// background only.
void PaintGraph(QImage& canvas, const DistributionTable& table, const GraphOptions& options,
                const GraphColors& colors);

// Fills the whole image with the background colour, as the hidden clear command does.
void ClearGraph(QImage& canvas, std::int32_t background);

} // namespace dorvanel
