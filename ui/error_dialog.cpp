// SPDX-License-Identifier: MIT
#include "error_dialog.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace dorvanel {

void ShowErrorDialog(QWidget* parent, const QString& message) {
    QMessageBox dialog(QMessageBox::Critical, QCoreApplication::applicationName(), message,
                       QMessageBox::Ok, parent);
    dialog.setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    dialog.exec();
}

} // namespace dorvanel
