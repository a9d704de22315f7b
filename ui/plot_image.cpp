// SPDX-License-Identifier: MIT
#include "plot_image.h"

#include <QPainter>

namespace dorvanel {

PlotImage::PlotImage(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QImage PlotImage::BlankPicture() const {
    const qreal ratio = devicePixelRatioF();
    QImage picture(size() * ratio, QImage::Format_RGB32);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::white);
    return picture;
}

void PlotImage::SetPicture(QImage picture) {
    picture_ = std::move(picture);
    update();
}

void PlotImage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    painter.drawImage(0, 0, picture_);
}

} // namespace dorvanel
