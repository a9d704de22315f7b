// Asks where to save a file. The dialog itself is replaceable so that tests never block on it.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace dorvanel {

// Shows a save dialog; the chosen path, or an empty one when cancelled.
using SaveFileChooser =
    std::function<QString(QWidget* parent, const QString& caption, const QString& filter)>;

// Installs a chooser for the whole process and returns the one it replaces.
SaveFileChooser SetSaveFileChooser(SaveFileChooser chooser);

QString ChooseFileToSave(QWidget* parent, const QString& caption, const QString& filter);

} // namespace dorvanel
