// SPDX-License-Identifier: MIT
// Keeping a window on the screen it opens on.
#pragma once

#include <QRect>
#include <QSize>

namespace dorvanel {

// The frame moved onto `available` by as little as it takes, and made no larger than it, but
// never smaller than `minimum`: a frame still too large for the area keeps to its top left.
QRect FitOnScreen(const QRect& frame, const QRect& available, const QSize& minimum);

} // namespace dorvanel

class QWidget;

namespace dorvanel {

// Keeps a top-level window whole on its screen when it is shown, and once more when the window
// manager has framed it, which only then gives the frame its size.
void KeepOnScreen(QWidget* window);

} // namespace dorvanel
