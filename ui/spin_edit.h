// SPDX-License-Identifier: MIT
// An integer box with arrows whose range is enforced only by the arrows and when it loses the
// focus: a value typed and confirmed with Enter reaches the command as typed, also outside the
// range, and text that is not an integer reads as the minimum.
#pragma once

#include <QAbstractSpinBox>

#include <cstdint>

namespace dorvanel {

class SpinEdit : public QAbstractSpinBox {
    Q_OBJECT
public:
    SpinEdit(std::int32_t minValue, std::int32_t maxValue, std::int32_t value,
             QWidget* parent = nullptr);

    std::int32_t Value() const;
    std::int32_t Minimum() const { return minValue_; }
    std::int32_t Maximum() const { return maxValue_; }
    void SetValue(std::int32_t value);

    // Wide enough for the widest value of the range in the box's font.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;

protected:
    StepEnabled stepEnabled() const override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    std::int32_t Clamped(std::int64_t value) const;

    std::int32_t minValue_;
    std::int32_t maxValue_;
};

} // namespace dorvanel
