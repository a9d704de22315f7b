#include "error_reporter.h"

#include "error_dialog.h"
#include "errors.h"
#include "termination_requests.h"

#include <exception>
#include <new>

namespace dorvanel {
namespace {

ErrorHandler& Handler() {
    static ErrorHandler handler = ShowErrorDialog;
    return handler;
}

} // namespace

void ReportError(QWidget* parent, const QString& message) {
    // Once the process is asked to stop, no one is left to answer a dialog.
    if (TerminationRequested())
        return ReportTerminationFailure(message);
    Handler()(parent, message);
    // A dialog the request dismissed was never read.
    if (TerminationRequested())
        ReportTerminationFailure(message);
}

ErrorHandler SetErrorHandler(ErrorHandler handler) {
    ErrorHandler previous = std::move(Handler());
    Handler() = std::move(handler);
    return previous;
}

void RunReportingErrors(QWidget* parent, const std::function<void()>& command) {
    try {
        command();
    } catch (const SilentAbort&) {
    } catch (const std::bad_alloc&) {
        ReportError(parent, QStringLiteral("Out of memory"));
    } catch (const std::exception& error) {
        ReportError(parent, QString::fromUtf8(error.what()));
    }
}

} // namespace dorvanel
