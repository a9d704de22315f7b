// SPDX-License-Identifier: MIT
#include "number_question.h"

#include <QCoreApplication>
#include <QInputDialog>

namespace dorvanel {

std::optional<int> AskNumberInDialog(QWidget* parent, const QString& question, int value, int low,
                                     int high) {
    bool accepted = false;
    const int number = QInputDialog::getInt(parent, QCoreApplication::applicationName(), question,
                                            value, low, high, 1, &accepted);
    if (!accepted)
        return std::nullopt;
    return number;
}

} // namespace dorvanel
