// SPDX-License-Identifier: MIT
#include "captioned_graph.h"

#include "graph_colors.h"

#include <QFontMetrics>
#include <QPainter>

#include <cmath>

namespace dorvanel {
namespace {

constexpr int kPadding = 4;

} // namespace

QImage CaptionedGraph(const QImage& plot, const QStringList& lines, const QFont& font,
                      QColor background) {
    const qreal ratio = plot.devicePixelRatio();
    // Measured as drawn: at the resolution of the plot's image.
    const QFontMetrics metrics(font, &plot);
    const int stripHeight =
        static_cast<int>(std::ceil((2 * kPadding + lines.size() * metrics.height()) * ratio));
    QImage image(plot.width(), plot.height() + stripHeight, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.setDotsPerMeterX(plot.dotsPerMeterX());
    image.setDotsPerMeterY(plot.dotsPerMeterY());
    image.fill(background);

    QPainter painter(&image);
    painter.drawImage(0, 0, plot);
    painter.setFont(font);
    painter.setPen(ContrastingColor(background));
    const int width = static_cast<int>(plot.width() / ratio) - 2 * kPadding;
    int baseline = static_cast<int>(plot.height() / ratio) + kPadding + metrics.ascent();
    for (const QString& line : lines) {
        painter.drawText(kPadding, baseline, metrics.elidedText(line, Qt::ElideRight, width));
        baseline += metrics.height();
    }
    return image;
}

} // namespace dorvanel
