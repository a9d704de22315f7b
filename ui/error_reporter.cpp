// SPDX-License-Identifier: MIT
#include "error_reporter.h"

#include "errors.h"

#include <QCoreApplication>
#include <QMessageBox>

#include <exception>
#include <new>

namespace dorvanel {

void ShowErrorDialog(QWidget* parent, const QString& message) {
    QMessageBox::critical(parent, QCoreApplication::applicationName(), message);
}

void RunReportingErrors(const ErrorHandler& report, QWidget* parent,
                        const std::function<void()>& command) {
    try {
        command();
    } catch (const SilentAbort&) {
    } catch (const std::bad_alloc&) {
        report(parent, QStringLiteral("Out of memory"));
    } catch (const std::exception& error) {
        report(parent, QString::fromUtf8(error.what()));
    }
}

} // namespace dorvanel
