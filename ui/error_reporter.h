// SPDX-License-Identifier: MIT
// How errors that end a command are reported: by default a modal message box with the
// program's name, like the application's default error dialog.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace dorvanel {

using ErrorHandler = std::function<void(QWidget* parent, const QString& message)>;

void ShowErrorDialog(QWidget* parent, const QString& message);

// Runs a command; an error that leaves it is reported to `report`, a silent stop is not.
void RunReportingErrors(const ErrorHandler& report, QWidget* parent,
                        const std::function<void()>& command);

} // namespace dorvanel
