// SPDX-License-Identifier: MIT
// Asking where to save a file.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace dorvanel {

// Asks for a file to save; the chosen path, or an empty one when cancelled.
using SaveFileChooser =
    std::function<QString(QWidget* parent, const QString& caption, const QString& filter)>;

// The save dialog of the platform.
QString ChooseFileToSaveInDialog(QWidget* parent, const QString& caption, const QString& filter);

} // namespace dorvanel
