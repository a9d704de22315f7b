#include "color_dialog.h"

#include "graph_colors.h"

#include <QColorDialog>

namespace dorvanel {

std::optional<QColor> ChooseColorInDialog(QWidget* parent, QColor initial) {
    const QColor chosen = QColorDialog::getColor(initial, parent);
    if (!chosen.isValid())
        return std::nullopt;
    return chosen;
}

bool ColorDialog::Execute(QWidget* parent, const ColorChooser& choose) {
    const std::optional<QColor> chosen = choose(parent, ColorFromBgr(color_));
    if (!chosen)
        return false;
    color_ = BgrFromColor(*chosen);
    return true;
}

} // namespace dorvanel
