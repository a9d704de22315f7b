// SPDX-License-Identifier: MIT
#include "question.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace dorvanel {

bool AskInDialog(QWidget* parent, const QString& question) {
    QMessageBox dialog(QMessageBox::Question, QCoreApplication::applicationName(), question,
                       QMessageBox::Yes | QMessageBox::No, parent);
    dialog.setWindowModality(Qt::WindowModal);
    // Nothing is lost by a hasty Enter.
    dialog.setDefaultButton(QMessageBox::No);
    return dialog.exec() == QMessageBox::Yes;
}

} // namespace dorvanel
