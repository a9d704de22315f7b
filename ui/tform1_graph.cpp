// SPDX-License-Identifier: MIT
// The graph: drawing the last completed analysis, and the controls that change how.
#include "tform1.h"

#include "graph_drawing.h"
#include "plot_image.h"
#include "radio_group.h"

#include <QCheckBox>

namespace dorvanel {

GraphOptions TForm1::CurrentGraphOptions() const {
    return {cbRange1->isChecked(), cbWholeY->isChecked(), radGraf->ItemIndex()};
}

void TForm1::DrawGraph() {
    RunReportingErrors([this] {
        QImage canvas = vidGraf->BlankPicture();
        const GraphOptions options = CurrentGraphOptions();
        const GraphColors colors{dlgColor.Color(), dlgFill.Color(), dlgBG.Color()};
        if (analysis_)
            PaintGraph(canvas, ScaledCountsFor(options.wholeYRange), options, colors);
        else
            PaintGraph(canvas, DistributionTable(), options, colors);
        vidGraf->SetPicture(std::move(canvas));
        // The marked total moves with its point.
        ShowMarker();
    });
}

const std::shared_ptr<const ScaledCounts>& TForm1::ScaledCountsFor(bool wholeYRange) {
    if (!scaledCounts_ || scaledTable_ != analysis_ ||
        scaledCounts_->WholeYRange() != wholeYRange) {
        scaledCounts_ = std::make_shared<const ScaledCounts>(*analysis_, wholeYRange);
        scaledTable_ = analysis_;
    }
    return scaledCounts_;
}

void TForm1::radGrafClick() {
    DrawGraph();
}

void TForm1::ChooseColor(ColorDialog& dialog) {
    dialog.Execute(this, services_.chooseColor);
    DrawGraph();
}

void TForm1::Button1Click() {
    ChooseColor(dlgColor);
}
void TForm1::Button2Click() {
    ChooseColor(dlgFill);
}
void TForm1::Button3Click() {
    ChooseColor(dlgBG);
}

void TForm1::btnClearGrafClick() {
    QImage picture = vidGraf->Picture();
    ClearGraph(picture, dlgBG.Color());
    vidGraf->SetPicture(std::move(picture));
}

} // namespace dorvanel
