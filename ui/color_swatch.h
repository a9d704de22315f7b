// A small square filled with a colour, outlined in black.
#pragma once

#include <QColor>
#include <QWidget>

namespace dorvanel {

class ColorSwatch : public QWidget {
    Q_OBJECT
public:
    explicit ColorSwatch(QWidget* parent = nullptr);

    QColor Color() const { return color_; }
    void SetColor(QColor color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor color_;
};

} // namespace dorvanel
