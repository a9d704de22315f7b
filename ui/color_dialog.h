// SPDX-License-Identifier: MIT
// A colour, held as 0x00BBGGRR, and the modal dialog that lets the user choose another. The
// colour lives here alone; whatever shows it follows Changed.
#pragma once

#include <QColor>
#include <QObject>

#include <cstdint>
#include <functional>
#include <optional>

class QWidget;

namespace dorvanel {

// Asks for a colour, offering `initial`; the chosen colour, or none when cancelled.
using ColorChooser = std::function<std::optional<QColor>(QWidget* parent, QColor initial)>;

// The colour dialog of the platform.
std::optional<QColor> ChooseColorInDialog(QWidget* parent, QColor initial);

class ColorDialog : public QObject {
    Q_OBJECT
public:
    std::int32_t Color() const { return color_; }
    void SetColor(std::int32_t color);

    // True when the user confirms a colour `choose` offers; Color then holds the choice.
    bool Execute(QWidget* parent, const ColorChooser& choose);

signals:
    void Changed();

private:
    std::int32_t color_ = 0;
};

} // namespace dorvanel
