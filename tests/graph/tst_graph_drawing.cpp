// SPDX-License-Identifier: MIT
#include "graph_drawing.h"
#include "table_cache.h"

#include <QTest>

using namespace dorvanel;

namespace {

const GraphColors kLimeBlueBlack{0x00FF00, 0xFF0000, 0x000000};

struct Scene {
    int dice = 3;
    int faces = 6;
    GraphOptions options{true, false, kLineStyle};
    int width = 400;
    int height = 200;
    GraphColors colors = kLimeBlueBlack;
};

Scene SceneNamed(const QString& name) {
    Scene scene;
    if (name == "3d6 bar") {
        scene.options.style = kBarStyle;
    } else if (name == "1d6 bar") {
        scene.dice = 1;
        scene.options.style = kBarStyle;
    } else if (name == "3d6 unshifted bars") {
        scene.options.style = -1;
    } else if (name == "3d6 partial line") {
        scene.options.wholeXRange = false;
    } else if (name == "3d6 line 15 high") {
        scene.height = 15;
    } else if (name == "3d6 line custom colours") {
        scene.colors = {0x7F0000FF, 0x0000FFFF, 0x00FFFFFF}; // red, yellow, white
    } else {
        Q_ASSERT(name == "3d6 line");
    }
    return scene;
}

QImage Render(const Scene& scene) {
    QImage canvas(scene.width, scene.height, QImage::Format_RGB32);
    PaintGraph(canvas, CachedTable(scene.dice, scene.faces), scene.options, scene.colors);
    return canvas;
}

// Names a pixel after the colour role it shows, so that failures read as roles.
QString Role(const QImage& image, int x, int y, const GraphColors& colors) {
    const QRgb pixel = image.pixel(x, y);
    if (pixel == ColorFromBgr(colors.pen).rgb())
        return "pen";
    if (pixel == ColorFromBgr(colors.fill).rgb())
        return "fill";
    if (pixel == ColorFromBgr(colors.background).rgb())
        return "background";
    return QString::number(pixel, 16);
}

} // namespace

class TestGraphDrawing : public QObject {
    Q_OBJECT
private slots:
    void pixelRoles_data() {
        QTest::addColumn<QString>("scene");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<QString>("role");
        // 3d6, 400 × 200: totals at x = 21·i, peaks (totals 10 and 11) at y = 10, baseline 190.
        QTest::newRow("line: baseline, left end") << "3d6 line" << 0 << 190 << "pen";
        QTest::newRow("line: baseline at empty total") << "3d6 line" << 21 << 190 << "pen";
        QTest::newRow("line: foot of a stem") << "3d6 line" << 84 << 190 << "fill";
        QTest::newRow("line: first possible total") << "3d6 line" << 63 << 184 << "pen";
        QTest::newRow("line: its stem") << "3d6 line" << 63 << 187 << "fill";
        QTest::newRow("line: peak") << "3d6 line" << 210 << 10 << "pen";
        QTest::newRow("line: second peak") << "3d6 line" << 231 << 10 << "pen";
        QTest::newRow("line: above the peak") << "3d6 line" << 210 << 9 << "background";
        QTest::newRow("line: stem under the peak") << "3d6 line" << 210 << 100 << "fill";
        QTest::newRow("line: between stems") << "3d6 line" << 200 << 100 << "background";
        QTest::newRow("line: below the baseline") << "3d6 line" << 100 << 195 << "background";
        QTest::newRow("line: final segment") << "3d6 line" << 390 << 184 << "pen";
        QTest::newRow("bar: empty totals on the baseline") << "3d6 bar" << 30 << 190 << "pen";
        QTest::newRow("bar: above empty totals") << "3d6 bar" << 30 << 189 << "background";
        QTest::newRow("bar: top of the peak bar") << "3d6 bar" << 220 << 10 << "pen";
        QTest::newRow("bar: below its top") << "3d6 bar" << 220 << 11 << "fill";
        QTest::newRow("bar: above the peak bar") << "3d6 bar" << 220 << 9 << "background";
        QTest::newRow("bar: interior") << "3d6 bar" << 220 << 100 << "fill";
        QTest::newRow("bar: bottom border") << "3d6 bar" << 220 << 190 << "pen";
        QTest::newRow("bar: below the bars") << "3d6 bar" << 220 << 191 << "background";
        QTest::newRow("1d6 bar: last reaches the top") << "1d6 bar" << 399 << 10 << "pen";
        QTest::newRow("unshifted: peak bar 189 … 210")
            << "3d6 unshifted bars" << 200 << 10 << "pen";
        QTest::newRow("unshifted: no baseline")
            << "3d6 unshifted bars" << 390 << 190 << "background";
        QTest::newRow("unshifted: no final segment")
            << "3d6 unshifted bars" << 390 << 184 << "background";
        QTest::newRow("partial: first possible total at x = 0")
            << "3d6 partial line" << 0 << 184 << "pen";
        QTest::newRow("partial: peak") << "3d6 partial line" << 175 << 10 << "pen";
        // Baseline at 5, every point at or below it; the peak at 10.
        QTest::newRow("15 high: baseline") << "3d6 line 15 high" << 100 << 5 << "pen";
        QTest::newRow("15 high: peak") << "3d6 line 15 high" << 210 << 10 << "pen";
        QTest::newRow("15 high: stem") << "3d6 line 15 high" << 210 << 7 << "fill";
        QTest::newRow("colours: background")
            << "3d6 line custom colours" << 200 << 100 << "background";
        QTest::newRow("colours: pen") << "3d6 line custom colours" << 210 << 10 << "pen";
        QTest::newRow("colours: fill") << "3d6 line custom colours" << 210 << 100 << "fill";
    }
    void pixelRoles() {
        QFETCH(QString, scene);
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(QString, role);
        const Scene s = SceneNamed(scene);
        QCOMPARE(Role(Render(s), x, y, s.colors), role);
    }

    void barEdges_data() {
        QTest::addColumn<QString>("scene");
        QTest::addColumn<QList<int>>("edges");
        QTest::addColumn<int>("emptyBars");
        QTest::newRow("3d6") << "3d6 bar"
                             << QList<int>{0,   42,  63,  84,  105, 126, 147, 168, 189, 210,
                                           231, 252, 273, 294, 315, 336, 357, 378, 400}
                             << 2;
        QTest::newRow("1d6") << "1d6 bar" << QList<int>{0, 114, 171, 228, 285, 342, 400} << 0;
        QTest::newRow("3d6 unshifted")
            << "3d6 unshifted bars" << QList<int>{0,   21,  42,  63,  84,  105, 126, 147, 168, 189,
                                                  210, 231, 252, 273, 294, 315, 336, 357, 378}
            << 2;
    }
    void barEdges() {
        QFETCH(QString, scene);
        QFETCH(QList<int>, edges);
        QFETCH(int, emptyBars);
        const Scene s = SceneNamed(scene);
        const QImage image = Render(s);
        // Just above the baseline every bar with a count shows its two borders and, between
        // them, its fill; adjacent bars share a border column.
        const int row = s.height - 11;
        for (int bar = 0; bar + 1 < edges.size(); ++bar) {
            const int left = edges[bar];
            const int right = edges[bar + 1];
            const bool empty = bar < emptyBars;
            for (int x = left; x <= std::min(right, s.width - 1); ++x) {
                const bool border = x == left || x == right;
                const QString expected =
                    empty ? (border ? "" : "background") : (border ? "pen" : "fill");
                if (!expected.isEmpty())
                    QCOMPARE(Role(image, x, row, s.colors), expected);
            }
        }
        for (int x = edges.last() + 1; x < s.width; ++x)
            QCOMPARE(Role(image, x, row, s.colors), "background");
    }

    // 6^400 is beyond the double range: the top comes from exact digits, and the peak of
    // the curve stands 2 pixels above the baseline (21 of 1821.8 units, 180 pixels high).
    void wholeYBeyondDoubleRange() {
        QImage canvas(400, 200, QImage::Format_RGB32);
        const GraphColors colors = kLimeBlueBlack;
        PaintGraph(canvas, CachedTable(400, 6), GraphOptions{true, true, kLineStyle}, colors);
        int topmost = canvas.height();
        for (int y = canvas.height() - 1; y >= 0; --y)
            for (int x = 0; x < canvas.width(); ++x)
                if (Role(canvas, x, y, colors) != "background")
                    topmost = y;
        QCOMPARE(topmost, 188);
    }

    void emptyTableLeavesBackground() {
        QImage canvas(40, 30, QImage::Format_RGB32);
        PaintGraph(canvas, DistributionTable(), GraphOptions{}, kLimeBlueBlack);
        QImage background(40, 30, QImage::Format_RGB32);
        background.fill(Qt::black);
        QCOMPARE(canvas, background);
    }

    // Drawn in image pixels whatever the image's format and pixel ratio, which it keeps.
    void otherFormatsAndPixelRatios() {
        const Scene scene = SceneNamed("3d6 line");
        QImage canvas(scene.width, scene.height, QImage::Format_ARGB32_Premultiplied);
        canvas.setDevicePixelRatio(2);
        PaintGraph(canvas, CachedTable(3, 6), scene.options, scene.colors);
        QCOMPARE(canvas.format(), QImage::Format_RGB32);
        QCOMPARE(canvas.devicePixelRatio(), 2.0);
        canvas.setDevicePixelRatio(1);
        QCOMPARE(canvas, Render(scene));
    }
};

QTEST_MAIN(TestGraphDrawing)
#include "tst_graph_drawing.moc"
