// SPDX-License-Identifier: MIT
#include "column_canvas.h"

#include <algorithm>

namespace dorvanel {

ColumnCanvas::ColumnCanvas(QImage& image)
    : bits_(image.bits()), bytesPerLine_(image.bytesPerLine()), width_(image.width()),
      height_(image.height()) {
    Q_ASSERT(image.format() == QImage::Format_RGB32);
    // The raster engine writes straight into the same pixels, so direct writes and QPainter
    // lines land in the order they are made.
    painter_.begin(&image);
}

ColumnCanvas::~ColumnCanvas() {
    WriteGathered();
}

void ColumnCanvas::Line(PixelPoint from, PixelPoint to, QRgb colour) {
    if (from.x == to.x) {
        Gather(from.x, from.y, to.y, colour);
        return;
    }
    WriteGathered();
    if (from.y == to.y) {
        WriteRow(from.y, std::min(from.x, to.x), std::max(from.x, to.x), colour);
        return;
    }
    painter_.setPen(QPen(QColor::fromRgb(colour), 1));
    painter_.drawLine(QPoint(static_cast<int>(from.x), static_cast<int>(from.y)),
                      QPoint(static_cast<int>(to.x), static_cast<int>(to.y)));
}

void ColumnCanvas::Box(PixelPoint corner, PixelPoint opposite, QRgb pen, QRgb fill) {
    if (corner.x == opposite.x) {
        if (corner.y != opposite.y)
            Gather(corner.x, corner.y, opposite.y, pen);
        return;
    }
    WriteGathered();
    const std::int64_t left = std::min(corner.x, opposite.x);
    const std::int64_t right = std::max(corner.x, opposite.x);
    const std::int64_t top = std::min(corner.y, opposite.y);
    const std::int64_t bottom = std::max(corner.y, opposite.y);
    const std::int64_t firstInner = std::max<std::int64_t>(top + 1, 0);
    const std::int64_t lastInner = std::min(bottom - 1, height_ - 1);
    for (std::int64_t y = firstInner; y <= lastInner; ++y)
        WriteRow(y, left + 1, right - 1, fill);
    WriteRow(top, left, right, pen);
    WriteRow(bottom, left, right, pen);
    WriteColumn(left, top, bottom, pen);
    WriteColumn(right, top, bottom, pen);
}

void ColumnCanvas::Gather(std::int64_t x, std::int64_t y0, std::int64_t y1, QRgb colour) {
    if (x != gatheredX_)
        WriteGathered();
    gatheredX_ = x;
    gathered_.push_back({std::min(y0, y1), std::max(y0, y1), colour});
}

void ColumnCanvas::WriteGathered() {
    if (gathered_.empty())
        return;
    if (gatheredX_ >= 0 && gatheredX_ < width_) {
        // The last span painted wins. Walking back, each span shows only outside the rows the
        // later ones cover, which stay one interval because the spans form a connected chain.
        const Span& last = gathered_.back();
        std::int64_t top = last.top;
        std::int64_t bottom = last.bottom;
        WriteColumn(gatheredX_, top, bottom, last.colour);
        for (auto span = gathered_.rbegin() + 1; span != gathered_.rend(); ++span) {
            Q_ASSERT(span->top <= bottom + 1 && span->bottom + 1 >= top);
            if (span->top < top) {
                WriteColumn(gatheredX_, span->top, top - 1, span->colour);
                top = span->top;
            }
            if (span->bottom > bottom) {
                WriteColumn(gatheredX_, bottom + 1, span->bottom, span->colour);
                bottom = span->bottom;
            }
        }
    }
    gathered_.clear();
}

void ColumnCanvas::WriteColumn(std::int64_t x, std::int64_t top, std::int64_t bottom, QRgb colour) {
    if (x < 0 || x >= width_)
        return;
    const std::int64_t first = std::max<std::int64_t>(top, 0);
    const std::int64_t last = std::min(bottom, height_ - 1);
    if (first > last)
        return;
    uchar* row = bits_ + first * bytesPerLine_;
    for (std::int64_t y = first; y <= last; ++y, row += bytesPerLine_)
        reinterpret_cast<QRgb*>(row)[x] = colour;
}

void ColumnCanvas::WriteRow(std::int64_t y, std::int64_t left, std::int64_t right, QRgb colour) {
    if (y < 0 || y >= height_)
        return;
    const std::int64_t first = std::max<std::int64_t>(left, 0);
    const std::int64_t last = std::min(right, width_ - 1);
    if (first > last)
        return;
    QRgb* row = reinterpret_cast<QRgb*>(bits_ + y * bytesPerLine_);
    std::fill(row + first, row + last + 1, colour);
}

} // namespace dorvanel
