// SPDX-License-Identifier: MIT
#include "progress_bar.h"

#include <QStyleOptionProgressBar>
#include <QStylePainter>

namespace dorvanel {
namespace {

constexpr int kHeight = 13;
// How far the track is tinted from the panel's colour towards its text's.
constexpr double kTrackTint = 0.15;

QColor Mixed(const QColor& from, const QColor& to, double share) {
    return QColor::fromRgbF(
        static_cast<float>(from.redF() + (to.redF() - from.redF()) * share),
        static_cast<float>(from.greenF() + (to.greenF() - from.greenF()) * share),
        static_cast<float>(from.blueF() + (to.blueF() - from.blueF()) * share));
}

} // namespace

ProgressBar::ProgressBar(QWidget* parent) : QProgressBar(parent) {
    setRange(0, 100);
    setValue(0);
    setTextVisible(false);
    setFixedHeight(kHeight);
}

void ProgressBar::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionProgressBar option;
    initStyleOption(&option);
    // Styles draw the track in the colour of text fields; this one is the panel's, tinted, taken
    // afresh at every paint so that it follows a change of palette.
    const QPalette& colors = palette();
    option.palette.setColor(QPalette::Base, Mixed(colors.color(QPalette::Window),
                                                  colors.color(QPalette::WindowText), kTrackTint));
    painter.drawControl(QStyle::CE_ProgressBar, option);
}

} // namespace dorvanel
