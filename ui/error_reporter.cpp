#include "error_reporter.h"

#include "errors.h"

#include <QCoreApplication>
#include <QMessageBox>

#include <exception>
#include <new>

namespace dorvanel {
namespace {

ErrorHandler& Handler() {
    static ErrorHandler handler = [](QWidget* parent, const QString& message) {
        QMessageBox::critical(parent, QCoreApplication::applicationName(), message);
    };
    return handler;
}

} // namespace

void ReportError(QWidget* parent, const QString& message) {
    Handler()(parent, message);
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
