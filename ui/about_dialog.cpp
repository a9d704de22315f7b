// SPDX-License-Identifier: MIT
#include "about_dialog.h"

#include <QMessageBox>

namespace dorvanel {

void ShowAboutDialog(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox::about(parent, title, text);
}

} // namespace dorvanel
