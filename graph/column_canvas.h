// SPDX-License-Identifier: MIT
// Paints 1-pixel lines and outlined boxes on an image with exactly the pixels QPainter gives
// them without antialiasing and with square caps:
// - a line paints both of its end points (a line of no length paints its one point);
// - a box from one corner to the opposite one paints the closed box between them, its
//   border in the pen colour and the rest in the fill colour; a box without width or height
//   is all border, one without either paints nothing.
// Vertical lines and boxes without width are gathered per column and only their visible
// parts are written, so thousands of them in one column cost little more than one. Sloped
// lines are left to QPainter.
#pragma once

#include <QImage>
#include <QPainter>

#include <cstdint>
#include <vector>

namespace dorvanel {

struct PixelPoint {
    std::int64_t x = 0;
    std::int64_t y = 0;
};

class ColumnCanvas {
public:
    // The image must be Format_RGB32 with a device pixel ratio of 1, and nothing else may
    // paint on it while the canvas exists.
    explicit ColumnCanvas(QImage& image);
    // Writes what is still gathered.
    ~ColumnCanvas();
    ColumnCanvas(const ColumnCanvas&) = delete;
    ColumnCanvas& operator=(const ColumnCanvas&) = delete;

    // Vertical lines and boxes without width that follow each other in one column must form
    // one connected chain: each starts where the one before ended, or all of them cover one
    // common row. A sloped line must have coordinates within the int range.
    void Line(PixelPoint from, PixelPoint to, QRgb colour);
    void Box(PixelPoint corner, PixelPoint opposite, QRgb pen, QRgb fill);

private:
    struct Span {
        std::int64_t top;
        std::int64_t bottom;
        QRgb colour;
    };

    void Gather(std::int64_t x, std::int64_t y0, std::int64_t y1, QRgb colour);
    void WriteGathered();
    void WriteColumn(std::int64_t x, std::int64_t top, std::int64_t bottom, QRgb colour);
    void WriteRow(std::int64_t y, std::int64_t left, std::int64_t right, QRgb colour);

    uchar* bits_;
    std::int64_t bytesPerLine_;
    std::int64_t width_;
    std::int64_t height_;
    std::int64_t gatheredX_ = 0;
    std::vector<Span> gathered_;
    QPainter painter_;
};

} // namespace dorvanel
