// SPDX-License-Identifier: MIT
// The graph as it is saved: the plot with a strip of caption lines below it, so that the file
// tells what it shows.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QStringList>

namespace dorvanel {

// The plot, pixel for pixel, above a strip holding `lines` in `font`, on the graph's
// `background` in whichever of black and white stands out from it. The strip follows the
// plot's device pixel ratio, as the screen showed its text; a line too long for the width is
// cut short with an ellipsis.
QImage CaptionedGraph(const QImage& plot, const QStringList& lines, const QFont& font,
                      QColor background);

} // namespace dorvanel
