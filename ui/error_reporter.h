// SPDX-License-Identifier: MIT
// How errors that end a command are reported: to a handler, by default a dialog modal to the
// window, kept until answered, like the application's default error dialog; on stderr once the
// process is asked to stop.
#pragma once

#include <QString>

#include <exception>
#include <functional>

class QWidget;

namespace dorvanel {

using ErrorHandler = std::function<void(QWidget* parent, const QString& message)>;

// What an error says to the user: "Out of memory" for a failed allocation, else its own text.
QString ErrorText(const std::exception& error);

// Shows the message with `handler`, or on stderr when the process has been asked to stop,
// before or while it was shown.
void ReportError(const ErrorHandler& handler, QWidget* parent, const QString& message);

// Runs a command; an error that leaves it is reported with `handler`, a silent stop is not.
void RunReportingErrors(const ErrorHandler& handler, QWidget* parent,
                        const std::function<void()>& command);

} // namespace dorvanel
