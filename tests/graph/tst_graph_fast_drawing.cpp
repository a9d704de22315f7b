// SPDX-License-Identifier: MIT
// The graph drawing gathers what falls in one pixel column and writes only what shows. Here
// it is checked against the drawing it stands for: every line and rectangle painted with
// QPainter, one after the other, in the order the graph is built.
#include "graph_drawing.h"
#include "table_cache.h"

#include <QPainter>
#include <QTest>

using namespace dorvanel;

namespace {

QImage DrawPrimitiveByPrimitive(const DistributionTable& table, const GraphOptions& options,
                                const GraphColors& colors, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(ColorFromBgr(colors.background));
    QPainter painter(&image);
    const QColor pen = ColorFromBgr(colors.pen);
    const QColor fill = ColorFromBgr(colors.fill);
    const GraphScaling scaling(table, options, width, height);
    const int baseline = height - 10;

    QPoint penPosition(width, baseline);
    const auto lineTo = [&](QPoint to, const QColor& colour) {
        painter.setPen(QPen(colour, 1));
        painter.drawLine(penPosition, to);
        penPosition = to;
    };
    const bool line = options.style == kLineStyle;
    if (line)
        lineTo({0, baseline}, pen);
    int x = 0;
    for (std::int64_t total = 1; total <= table.MaxValue(); ++total) {
        const int y = static_cast<int>(scaling.Y(total));
        const int left = x;
        x = static_cast<int>(scaling.X(total));
        if (line) {
            if (total <= table.MinValue()) {
                lineTo({x, baseline}, pen);
                lineTo({x, y}, fill);
            } else {
                lineTo({x, y}, pen);
                lineTo({x, baseline}, fill);
                lineTo({x, y}, fill);
            }
        } else {
            painter.setPen(QPen(pen, 1));
            painter.setBrush(fill);
            painter.drawRect(QRect(left, y, x - left, baseline - y));
        }
    }
    if (line)
        lineTo({width, penPosition.y()}, pen);
    return image;
}

} // namespace

class TestGraphFastDrawing : public QObject {
    Q_OBJECT
private slots:
    void samePixelsAsPrimitiveByPrimitive_data() {
        QTest::addColumn<int>("dice");
        QTest::addColumn<int>("faces");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("wholeX");
        QTest::addColumn<bool>("wholeY");
        struct Size {
            int dice, faces, width, height;
        };
        const Size sizes[] = {
            {3, 6, 400, 200},     // wider than the totals
            {1, 1, 50, 40},       // one total
            {2, 1, 30, 40},       // two totals, one possible
            {1, 6, 400, 200},     // every total possible
            {10, 6, 57, 90},      // about one total per column
            {100, 6, 200, 150},   // several totals per column
            {50, 20, 97, 300},    // uneven columns
            {300, 100, 500, 300}, // thousands of totals, counts of hundreds of digits
            {400, 6, 300, 200},   // whole Y beyond the double range
            {40, 1, 120, 80},     // partial X far off the left edge
            {3, 6, 400, 15},      // turned over
            {100, 6, 150, 20},    // flat
            {100, 6, 1, 12},      // one column
        };
        for (const Size& s : sizes)
            for (bool wholeX : {true, false})
                for (bool wholeY : {false, true})
                    QTest::addRow("%dd%d %dx%d%s%s", s.dice, s.faces, s.width, s.height,
                                  wholeX ? "" : " partial X", wholeY ? " whole Y" : "")
                        << s.dice << s.faces << s.width << s.height << wholeX << wholeY;
    }
    void samePixelsAsPrimitiveByPrimitive() {
        QFETCH(int, dice);
        QFETCH(int, faces);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(bool, wholeX);
        QFETCH(bool, wholeY);
        const DistributionTable& table = CachedTable(dice, faces);
        const GraphColors colors{0x00FF00, 0xFF0000, 0x202020};
        for (int style : {kLineStyle, kBarStyle, -1}) {
            const GraphOptions options{wholeX, wholeY, style};
            QImage fast(width, height, QImage::Format_RGB32);
            PaintGraph(fast, table, options, colors);
            const QImage expected = DrawPrimitiveByPrimitive(table, options, colors, width, height);
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x)
                    if (fast.pixel(x, y) != expected.pixel(x, y))
                        QFAIL(qPrintable(QString("style %1: pixel (%2, %3) is %4, expected %5")
                                             .arg(style)
                                             .arg(x)
                                             .arg(y)
                                             .arg(fast.pixel(x, y), 0, 16)
                                             .arg(expected.pixel(x, y), 0, 16)));
        }
    }
};

QTEST_MAIN(TestGraphFastDrawing)
#include "tst_graph_fast_drawing.moc"
