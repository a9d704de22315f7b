// SPDX-License-Identifier: MIT
#include "spin_edit.h"

#include "conversions.h"
#include "errors.h"

#include <QFontMetrics>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionSpinBox>

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

QSize SpinEdit::sizeHint() const {
    ensurePolished();
    const QFontMetrics metrics(font());
    int widestDigit = 0;
    for (char digit = '0'; digit <= '9'; ++digit)
        widestDigit = std::max(widestDigit, metrics.horizontalAdvance(QLatin1Char(digit)));
    int textWidth = 0;
    for (const std::int32_t bound : {minValue_, maxValue_}) {
        const QString text = QString::number(bound);
        const int digits = static_cast<int>(text.size()) - (bound < 0 ? 1 : 0);
        textWidth = std::max(textWidth, digits * widestDigit +
                                            (bound < 0 ? metrics.horizontalAdvance(u'-') : 0));
    }
    // As QSpinBox measures its text: a blank after it and room for the cursor.
    const QSize text(textWidth + metrics.horizontalAdvance(u' ') + 2,
                     lineEdit()->sizeHint().height());
    QStyleOptionSpinBox option;
    initStyleOption(&option);
    return style()->sizeFromContents(QStyle::CT_SpinBox, &option, text, this);
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
