// SPDX-License-Identifier: MIT
#include "plot_image.h"

#include <QPainter>

namespace dorvanel {
namespace {

// How much of the window's colour covers a stale picture.
constexpr int kStaleCover = 170;
constexpr int kFocusFrameWidth = 2;
constexpr int kReadoutPadding = 4;

} // namespace

PlotImage::PlotImage(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
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

void PlotImage::SetStale(bool stale) {
    stale_ = stale;
    update();
}

void PlotImage::SetMarker(std::optional<PlotMarker> marker) {
    marker_ = std::move(marker);
    update();
}

void PlotImage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    painter.drawImage(0, 0, picture_);
    if (stale_) {
        QColor cover = palette().color(QPalette::Window);
        cover.setAlpha(kStaleCover);
        painter.fillRect(rect(), cover);
    }
    if (!hasFocus())
        return;
    if (marker_)
        PaintMarker(painter);
    painter.setPen(QPen(palette().color(QPalette::Highlight), kFocusFrameWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(kFocusFrameWidth / 2, kFocusFrameWidth / 2,
                                     -kFocusFrameWidth / 2, -kFocusFrameWidth / 2));
}

// A dashed line down the marked total, and its readout in a box at the top, on the side away
// from the line.
void PlotImage::PaintMarker(QPainter& painter) const {
    painter.setPen(QPen(marker_->color, 1, Qt::DashLine));
    painter.drawLine(marker_->x, 0, marker_->x, height());
    if (marker_->readout.isEmpty())
        return;
    const QString text = marker_->readout.join(QLatin1Char('\n'));
    QRect box = painter.fontMetrics().boundingRect(QRect(0, 0, width(), height()),
                                                   Qt::AlignLeft | Qt::AlignTop, text);
    box.adjust(0, 0, 2 * kReadoutPadding, 2 * kReadoutPadding);
    const int margin = kFocusFrameWidth + kReadoutPadding;
    box.moveTo(marker_->x < width() / 2 ? width() - box.width() - margin : margin, margin);
    painter.setPen(palette().color(QPalette::ToolTipText));
    painter.setBrush(palette().color(QPalette::ToolTipBase));
    painter.drawRect(box);
    painter.drawText(box.adjusted(kReadoutPadding, kReadoutPadding, 0, 0),
                     Qt::AlignLeft | Qt::AlignTop, text);
}

} // namespace dorvanel
