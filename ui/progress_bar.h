// SPDX-License-Identifier: MIT
// A thin progress bar without text whose track stands out from the panel in any palette: empty,
// it reads as a bar at rest rather than as a field to type in.
#pragma once

#include <QProgressBar>

namespace dorvanel {

class ProgressBar : public QProgressBar {
    Q_OBJECT
public:
    explicit ProgressBar(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace dorvanel
