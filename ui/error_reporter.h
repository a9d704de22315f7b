// Where errors that end a command are shown: by default a dialog modal to the window, kept until
// answered, like the application's default error dialog; on stderr once the process is asked to
// stop. Tests replace the handler so that nothing ever blocks on a dialog.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace dorvanel {

using ErrorHandler = std::function<void(QWidget* parent, const QString& message)>;

void ReportError(QWidget* parent, const QString& message);

// Installs a handler for the whole process and returns the one it replaces.
ErrorHandler SetErrorHandler(ErrorHandler handler);

// Runs a command; an error that leaves it is reported, a silent stop is not.
void RunReportingErrors(QWidget* parent, const std::function<void()>& command);

} // namespace dorvanel
