// SPDX-License-Identifier: MIT
#include "share_drawing.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>

#include <algorithm>

namespace dorvanel {
namespace {

constexpr int kTickLength = 4;
constexpr int kLabelGap = 2;
constexpr int kSwatchSize = 9;
constexpr int kLegendPadding = 4;

// Coordinates far beyond the image are brought near it, where QPainter draws them alike.
int Near(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, -100000, 100000));
}

struct Point {
    std::int64_t total;
    int x;
    int y;
};

std::vector<Point> Points(const SharePlot& plot, const DistributionTable& table) {
    std::vector<Point> points;
    for (const std::int64_t total : plot.SampledTotals())
        points.push_back(
            {total, Near(plot.X(total)), Near(plot.Y(ShareAt(table, total, plot.Options().view)))});
    return points;
}

// The first pool: a curve with a stem under every point, or adjacent bars.
void PaintFilled(QPainter& painter, const SharePlot& plot, const std::vector<Point>& points,
                 QColor pen, QColor fill) {
    const int baseline = Near(plot.Baseline());
    if (plot.Options().style == kLineStyle) {
        painter.setPen(pen);
        painter.drawLine(0, baseline, plot.Width(), baseline);
        for (const Point& point : points) {
            painter.setPen(fill);
            painter.drawLine(point.x, baseline, point.x, point.y);
        }
        QPolygon curve;
        for (const Point& point : points)
            curve << QPoint(point.x, point.y);
        painter.setPen(pen);
        painter.drawPolyline(curve);
        return;
    }
    int left = std::max(0, Near(plot.X(points.front().total - 1)));
    for (const Point& point : points) {
        painter.setPen(pen);
        painter.setBrush(fill);
        painter.drawRect(QRect(QPoint(left, point.y), QPoint(point.x, baseline)));
        left = point.x;
    }
}

// A kept pool: its curve, or the steps along its bars' tops.
void PaintOutline(QPainter& painter, const SharePlot& plot, const std::vector<Point>& points,
                  QColor color) {
    QPolygon outline;
    int left = std::max(0, Near(plot.X(points.front().total - 1)));
    for (const Point& point : points) {
        if (plot.Options().style == kLineStyle) {
            outline << QPoint(point.x, point.y);
        } else {
            outline << QPoint(left, point.y) << QPoint(point.x, point.y);
            left = point.x;
        }
    }
    QPen pen(color);
    pen.setWidth(1);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawPolyline(outline);
}

} // namespace

const std::vector<QColor>& ComparisonColors() {
    static const std::vector<QColor> colors{QColor(255, 140, 0), QColor(255, 0, 255),
                                            QColor(0, 200, 255), QColor(255, 255, 0),
                                            QColor(255, 64, 64), QColor(150, 150, 150)};
    return colors;
}

void PaintShareGraph(QImage& canvas, const SharePlot& plot, const GraphColors& colors) {
    if (canvas.format() != QImage::Format_RGB32) {
        QImage replacement(canvas.size(), QImage::Format_RGB32);
        replacement.setDevicePixelRatio(canvas.devicePixelRatio());
        canvas = std::move(replacement);
    }
    canvas.fill(ColorFromBgr(colors.background));
    if (canvas.isNull())
        return;
    const qreal pixelRatio = canvas.devicePixelRatio();
    canvas.setDevicePixelRatio(1);
    {
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::Antialiasing, false);
        const auto& tables = plot.Tables();
        // Kept pools first, so that the analysis shown is not hidden under them; their
        // outlines then go over it again, so that each stays visible.
        const std::vector<Point> shown = Points(plot, *tables.front());
        PaintFilled(painter, plot, shown, ColorFromBgr(colors.pen), ColorFromBgr(colors.fill));
        for (std::size_t i = 1; i < tables.size(); ++i)
            PaintOutline(painter, plot, Points(plot, *tables[i]),
                         ComparisonColors()[(i - 1) % ComparisonColors().size()]);
    }
    canvas.setDevicePixelRatio(pixelRatio);
}

void PaintLegend(QImage& canvas, const QRect& area, const QStringList& names,
                 const std::vector<QColor>& colors, const QFont& font, QColor background,
                 bool atLeft) {
    if (names.isEmpty())
        return;
    QPainter painter(&canvas);
    painter.setFont(font);
    const QFontMetrics metrics(font, &canvas);
    int widest = 0;
    for (const QString& name : names)
        widest = std::max(widest, metrics.horizontalAdvance(name));
    const int row = std::max(metrics.height(), kSwatchSize);
    const int width = kLegendPadding * 3 + kSwatchSize + widest;
    const int height = kLegendPadding * 2 + row * static_cast<int>(names.size());
    const QRect box(atLeft ? area.left() + kLegendPadding : area.right() - width - kLegendPadding,
                    area.top() + kLegendPadding, width, height);
    const QColor text = ContrastingColor(background);
    painter.setPen(text);
    painter.setBrush(background);
    painter.drawRect(box);
    for (int i = 0; i < names.size(); ++i) {
        const int top = box.top() + kLegendPadding + i * row;
        painter.setPen(text);
        painter.setBrush(colors[static_cast<std::size_t>(i)]);
        painter.drawRect(box.left() + kLegendPadding, top + (row - kSwatchSize) / 2,
                         kSwatchSize - 1, kSwatchSize - 1);
        painter.drawText(QRect(box.left() + 2 * kLegendPadding + kSwatchSize, top, widest, row),
                         Qt::AlignLeft | Qt::AlignVCenter, names[i]);
    }
}

int BottomAxisHeight(const QFont& font) {
    return kTickLength + kLabelGap + QFontMetrics(font).height();
}

int LeftAxisWidth(const std::vector<AxisTick>& scale, const QFont& font) {
    const QFontMetrics metrics(font);
    int widest = 0;
    for (const AxisTick& tick : scale)
        widest = std::max(widest, metrics.horizontalAdvance(tick.label));
    return widest + kLabelGap * 2 + kTickLength;
}

void PaintAxes(QImage& canvas, const QRect& area, const std::vector<AxisTick>& totals,
               const std::vector<AxisTick>& scale, const QFont& font, QColor color) {
    QPainter painter(&canvas);
    painter.setFont(font);
    painter.setPen(color);
    const QFontMetrics metrics(font, &canvas);
    const int below = area.bottom() + 1;
    painter.drawLine(area.left(), below, area.right(), below);
    for (const AxisTick& tick : totals) {
        const int x = area.left() + tick.at;
        painter.drawLine(x, below, x, below + kTickLength);
        const int width = metrics.horizontalAdvance(tick.label);
        const int left = std::clamp(x - width / 2, 0, std::max(0, canvas.width() - width));
        painter.drawText(QRect(left, below + kTickLength + kLabelGap, width, metrics.height()),
                         Qt::AlignCenter, tick.label);
    }
    const int side = area.left() - 1;
    painter.drawLine(side, area.top(), side, below);
    for (const AxisTick& tick : scale) {
        const int y = area.top() + tick.at;
        painter.drawLine(side - kTickLength, y, side, y);
        const int height = metrics.height();
        const int top = std::clamp(y - height / 2, 0, std::max(0, canvas.height() - height));
        painter.drawText(QRect(0, top, side - kTickLength - kLabelGap, height),
                         Qt::AlignRight | Qt::AlignVCenter, tick.label);
    }
}

} // namespace dorvanel
