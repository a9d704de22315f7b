// SPDX-License-Identifier: MIT
#include "error_reporter.h"

#include "errors.h"
#include "termination_requests.h"

#include <exception>
#include <new>

namespace dorvanel {

QString ErrorText(const std::exception& error) {
    if (dynamic_cast<const std::bad_alloc*>(&error))
        return QStringLiteral("Out of memory");
    return QString::fromUtf8(error.what());
}

void ReportError(const ErrorHandler& handler, QWidget* parent, const QString& message) {
    // Once the process is asked to stop, no one is left to answer a dialog.
    if (TerminationRequested())
        return ReportTerminationFailure(message);
    handler(parent, message);
    // A dialog the request dismissed was never read.
    if (TerminationRequested())
        ReportTerminationFailure(message);
}

void RunReportingErrors(const ErrorHandler& handler, QWidget* parent,
                        const std::function<void()>& command) {
    try {
        command();
    } catch (const SilentAbort&) {
    } catch (const std::exception& error) {
        ReportError(handler, parent, ErrorText(error));
    }
}

} // namespace dorvanel
