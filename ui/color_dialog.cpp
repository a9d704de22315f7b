// SPDX-License-Identifier: MIT
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

void ColorDialog::SetColor(std::int32_t color) {
    if (color == color_)
        return;
    color_ = color;
    emit Changed();
}

bool ColorDialog::Execute(QWidget* parent, const ColorChooser& choose) {
    const std::optional<QColor> chosen = choose(parent, ColorFromBgr(color_));
    if (!chosen)
        return false;
    SetColor(BgrFromColor(*chosen));
    return true;
}

} // namespace dorvanel
