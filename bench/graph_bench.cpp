// Times a graph redraw, scaling and painting together, on plots of several sizes, and checks
// the redraw of 1000 dice of 1000 faces at 1000 × 600 pixels against its target.
#include "display_settings.h"
#include "distribution.h"
#include "graph_drawing.h"

#include <QImage>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

constexpr double kTargetMilliseconds = 50.0;
constexpr int kRepetitions = 7;

struct Plot {
    int width;
    int height;
};

struct Style {
    const char* name;
    dorvanel::GraphOptions options;
};

const Style kStyles[] = {
    {"line, peak", {true, false, dorvanel::kLineStyle}},
    {"line, whole Y", {true, true, dorvanel::kLineStyle}},
    {"bar, peak", {true, false, dorvanel::kBarStyle}},
    {"bar, partial X", {false, false, dorvanel::kBarStyle}},
};

// The median of several redraws, in milliseconds: the window redraws on every resize step.
double MedianRedrawMilliseconds(const dorvanel::DistributionTable& table,
                                const dorvanel::GraphOptions& options, Plot plot) {
    const dorvanel::DisplaySettings defaults;
    const dorvanel::GraphColors colors{defaults.penColor, defaults.fillColor,
                                       defaults.backgroundColor};
    std::vector<double> times;
    for (int i = 0; i < kRepetitions; ++i) {
        QImage canvas(plot.width, plot.height, QImage::Format_RGB32);
        const auto start = std::chrono::steady_clock::now();
        dorvanel::PaintGraph(canvas, table, options, colors);
        const auto end = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    std::nth_element(times.begin(), times.begin() + kRepetitions / 2, times.end());
    return times[kRepetitions / 2];
}

} // namespace

int main() {
    struct Case {
        int dice;
        int faces;
        std::vector<Plot> plots;
        bool targeted;
    };
    const std::vector<Case> cases = {
        {3, 6, {{400, 200}, {1000, 600}}, false},
        {100, 6, {{1000, 600}}, false},
        {10000, 6, {{1000, 600}, {2000, 1200}}, false},
        {1000, 1000, {{1000, 600}, {300, 200}, {2000, 1200}}, true},
    };
    bool missed = false;
    for (const Case& c : cases) {
        const dorvanel::DistributionTable table = dorvanel::ComputeDistribution(c.dice, c.faces);
        std::printf("%dd%d (%d totals)\n", c.dice, c.faces, table.MaxValue());
        for (const Plot& plot : c.plots) {
            const bool targeted = c.targeted && plot.width == 1000 && plot.height == 600;
            for (const Style& style : kStyles) {
                const double ms = MedianRedrawMilliseconds(table, style.options, plot);
                const bool met = ms <= kTargetMilliseconds;
                missed |= targeted && !met;
                std::printf(
                    "  %4d x %-4d  %-15s %8.2f ms%s\n", plot.width, plot.height, style.name, ms,
                    targeted ? (met ? "  (target 50 ms: met)" : "  (target 50 ms: MISSED)") : "");
            }
        }
    }
    std::printf(missed ? "\nThe redraw target was missed.\n" : "\nThe redraw target was met.\n");
    return missed ? 1 : 0;
}
