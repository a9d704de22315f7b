// A colour, held as 0x00BBGGRR, and the modal dialog that lets the user choose another. The
// dialog itself is replaceable so that tests never block on it.
#pragma once

#include <QColor>

#include <cstdint>
#include <functional>
#include <optional>

class QWidget;

namespace dorvanel {

// Shows a colour dialog opening on `initial`; the chosen colour, or none when cancelled.
using ColorChooser = std::function<std::optional<QColor>(QWidget* parent, QColor initial)>;

// Installs a chooser for the whole process and returns the one it replaces.
ColorChooser SetColorChooser(ColorChooser chooser);

class ColorDialog {
public:
    std::int32_t Color() const { return color_; }
    void SetColor(std::int32_t color) { color_ = color; }

    // True when the user confirms; Color then holds the choice.
    bool Execute(QWidget* parent);

private:
    std::int32_t color_ = 0;
};

} // namespace dorvanel
