// SPDX-License-Identifier: MIT
#include "color_swatch.h"

#include "color_dialog.h"
#include "graph_colors.h"

#include <QPainter>

namespace dorvanel {

ColorSwatch::ColorSwatch(const ColorDialog* source, QWidget* parent)
    : QWidget(parent), source_(source) {
    connect(source_, &ColorDialog::Changed, this, qOverload<>(&QWidget::update));
}

QColor ColorSwatch::Color() const {
    return ColorFromBgr(source_->Color());
}

void ColorSwatch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // Outlined in the panel's text colour, so that a swatch of the panel's own colour still
    // shows where it is.
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setBrush(Color());
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace dorvanel
