// SPDX-License-Identifier: MIT
// The plot area: shows the picture the graph was last drawn on; dimmed while it belongs to an
// analysis that a running one will replace; with the focus, a frame, and the marker the keys
// move with its readout.
#pragma once

#include <QColor>
#include <QImage>
#include <QStringList>
#include <QWidget>

#include <optional>

namespace dorvanel {

// A total marked on the plot: where, in the widget's pixels, and what the readout says of it.
struct PlotMarker {
    int x = 0;
    QStringList readout;
    QColor color; // stands out from the graph's background
};

class PlotImage : public QWidget {
    Q_OBJECT
public:
    explicit PlotImage(QWidget* parent = nullptr);

    // A blank picture of the control's current size in the screen's own pixels, to draw on: one
    // picture pixel per device pixel.
    QImage BlankPicture() const;
    void SetPicture(QImage picture);
    const QImage& Picture() const { return picture_; }

    void SetStale(bool stale);
    bool IsStale() const { return stale_; }

    // Shown while the plot has the focus.
    void SetMarker(std::optional<PlotMarker> marker);
    const std::optional<PlotMarker>& Marker() const { return marker_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void PaintMarker(QPainter& painter) const;

    QImage picture_;
    bool stale_ = false;
    std::optional<PlotMarker> marker_;
};

} // namespace dorvanel
