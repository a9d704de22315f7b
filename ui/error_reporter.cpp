// SPDX-License-Identifier: MIT
#include "error_reporter.h"

#include "errors.h"
#include "termination_requests.h"

#include <exception>
#include <new>

namespace dorvanel {

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
    } catch (const std::bad_alloc&) {
        ReportError(handler, parent, QStringLiteral("Out of memory"));
    } catch (const std::exception& error) {
        ReportError(handler, parent, QString::fromUtf8(error.what()));
    }
}

} // namespace dorvanel
