// The graph: drawing the last completed analysis, and the controls that change how.
#include "tform1.h"

#include "color_swatch.h"
#include "error_reporter.h"
#include "graph_drawing.h"
#include "plot_image.h"
#include "radio_group.h"

#include <QCheckBox>

namespace dorvanel {

GraphOptions TForm1::CurrentGraphOptions() const {
    return {cbRange1->isChecked(), cbWholeY->isChecked(), radGraf->ItemIndex()};
}

void TForm1::DrawGraph() {
    RunReportingErrors(this, [this] {
        QImage canvas = vidGraf->BlankPicture();
        const GraphColors colors{dlgColor.Color(), dlgFill.Color(), dlgBG.Color()};
        static const DistributionTable noAnalysis;
        PaintGraph(canvas, analysis_ ? *analysis_ : noAnalysis, CurrentGraphOptions(), colors);
        vidGraf->SetPicture(std::move(canvas));
    });
}

void TForm1::radGrafClick() {
    DrawGraph();
}

void TForm1::ChooseColor(ColorDialog& dialog, ColorSwatch* swatch) {
    if (dialog.Execute(this))
        swatch->SetColor(ColorFromBgr(dialog.Color()));
    DrawGraph();
}

void TForm1::Button1Click() {
    ChooseColor(dlgColor, Shape1);
}
void TForm1::Button2Click() {
    ChooseColor(dlgFill, Shape2);
}
void TForm1::Button3Click() {
    ChooseColor(dlgBG, Shape3);
}

void TForm1::btnClearGrafClick() {
    QImage picture = vidGraf->Picture();
    ClearGraph(picture, dlgBG.Color());
    vidGraf->SetPicture(std::move(picture));
}

} // namespace dorvanel
