// SPDX-License-Identifier: MIT
// The plot area: shows the picture the graph was last drawn on.
#pragma once

#include <QImage>
#include <QWidget>

namespace dorvanel {

class PlotImage : public QWidget {
    Q_OBJECT
public:
    explicit PlotImage(QWidget* parent = nullptr);

    // A blank picture of the control's current size in the screen's own pixels, to draw on: one
    // picture pixel per device pixel.
    QImage BlankPicture() const;
    void SetPicture(QImage picture);
    const QImage& Picture() const { return picture_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage picture_;
};

} // namespace dorvanel
