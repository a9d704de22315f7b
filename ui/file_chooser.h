// SPDX-License-Identifier: MIT
// Asking where to save a file, and of which of the types offered.
#pragma once

#include <QList>
#include <QString>

#include <functional>

class QWidget;

namespace dorvanel {

struct FileType {
    QString description; // "Comma-separated values"
    QString extension;   // "csv", without the dot; empty for any file
};

struct SaveRequest {
    QString caption;
    // A name for the file, in the current folder, which the user may change.
    QString proposedName;
    QList<FileType> types;
};

struct SaveAnswer {
    QString path; // empty when cancelled
    int type = 0; // which of the request's types was chosen
};

using SaveFileChooser = std::function<SaveAnswer(QWidget* parent, const SaveRequest& request)>;

// The save dialog of the platform. It adds the chosen type's extension to a name without one
// before it asks whether to replace a file of that name.
SaveAnswer ChooseFileToSaveInDialog(QWidget* parent, const SaveRequest& request);

} // namespace dorvanel
