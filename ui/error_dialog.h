// SPDX-License-Identifier: MIT
// The dialog an error is shown in: modal to the window, with the program's name, kept until the
// user answers it.
#pragma once

#include <QString>

class QWidget;

namespace dorvanel {

void ShowErrorDialog(QWidget* parent, const QString& message);

} // namespace dorvanel
