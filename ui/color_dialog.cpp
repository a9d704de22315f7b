#include "color_dialog.h"

#include "graph_colors.h"

#include <QColorDialog>

namespace dorvanel {
namespace {

ColorChooser& Chooser() {
    static ColorChooser chooser = [](QWidget* parent, QColor initial) -> std::optional<QColor> {
        const QColor chosen = QColorDialog::getColor(initial, parent);
        if (!chosen.isValid())
            return std::nullopt;
        return chosen;
    };
    return chooser;
}

} // namespace

ColorChooser SetColorChooser(ColorChooser chooser) {
    ColorChooser previous = std::move(Chooser());
    Chooser() = std::move(chooser);
    return previous;
}

bool ColorDialog::Execute(QWidget* parent) {
    const std::optional<QColor> chosen = Chooser()(parent, ColorFromBgr(color_));
    if (!chosen)
        return false;
    color_ = BgrFromColor(*chosen);
    return true;
}

} // namespace dorvanel
