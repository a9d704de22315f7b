// SPDX-License-Identifier: MIT
#include "file_chooser.h"

#include <QFileDialog>

namespace dorvanel {

QString ChooseFileToSaveInDialog(QWidget* parent, const QString& caption, const QString& filter) {
    return QFileDialog::getSaveFileName(parent, caption, QString(), filter);
}

} // namespace dorvanel
