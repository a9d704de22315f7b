#include "spin_edit.h"

#include "conversions.h"
#include "errors.h"

#include <QLineEdit>

#include <algorithm>

namespace dorvanel {

SpinEdit::SpinEdit(std::int32_t minValue, std::int32_t maxValue, std::int32_t value,
                   QWidget* parent)
    : QAbstractSpinBox(parent), minValue_(minValue), maxValue_(maxValue) {
    // Every text made of allowed characters is acceptable, so the box never corrects what
    // was typed on its own.
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    setKeyboardTracking(true);
    SetValue(value);
}

std::int32_t SpinEdit::Value() const {
    try {
        return StrToInt(lineEdit()->text().toStdString());
    } catch (const ConvertError&) {
        return minValue_;
    }
}

void SpinEdit::SetValue(std::int32_t value) {
    lineEdit()->setText(QString::number(value));
}

std::int32_t SpinEdit::Clamped(std::int64_t value) const {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, minValue_, maxValue_));
}

void SpinEdit::stepBy(int steps) {
    SetValue(Clamped(std::int64_t{Value()} + steps));
    selectAll();
}

QValidator::State SpinEdit::validate(QString& input, int&) const {
    const bool allowed = std::all_of(input.begin(), input.end(), [](QChar c) {
        return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('+') ||
               c == QLatin1Char('-');
    });
    return allowed ? QValidator::Acceptable : QValidator::Invalid;
}

QAbstractSpinBox::StepEnabled SpinEdit::stepEnabled() const {
    return StepUpEnabled | StepDownEnabled;
}

void SpinEdit::focusOutEvent(QFocusEvent* event) {
    QAbstractSpinBox::focusOutEvent(event);
    const std::int32_t value = Value();
    if (Clamped(value) != value)
        SetValue(Clamped(value));
}

} // namespace dorvanel
