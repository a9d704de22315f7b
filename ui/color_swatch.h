// SPDX-License-Identifier: MIT
// A small square filled with a colour dialog's colour, outlined in the panel's text colour; it
// follows every change of that colour.
#pragma once

#include <QColor>
#include <QWidget>

namespace dorvanel {

class ColorDialog;

class ColorSwatch : public QWidget {
    Q_OBJECT
public:
    // `source` is read whenever the swatch paints: whoever holds both keeps it while the swatch
    // can be shown.
    explicit ColorSwatch(const ColorDialog* source, QWidget* parent = nullptr);

    // The colour shown.
    QColor Color() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const ColorDialog* source_;
};

} // namespace dorvanel
