// SPDX-License-Identifier: MIT
#include "file_chooser.h"

#include <QFileDialog>
#include <QFileInfo>

#include <algorithm>

namespace dorvanel {
namespace {

QString Filter(const FileType& type) {
    return QStringLiteral("%1 (*%2)")
        .arg(type.description, type.extension.isEmpty() ? QString() : "." + type.extension);
}

} // namespace

SaveAnswer ChooseFileToSaveInDialog(QWidget* parent, const SaveRequest& request) {
    QStringList filters;
    for (const FileType& type : request.types)
        filters << Filter(type);
    QFileDialog dialog(parent, request.caption);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(filters);
    dialog.selectFile(request.proposedName);
    dialog.setDefaultSuffix(request.types.value(0).extension);
    QObject::connect(&dialog, &QFileDialog::filterSelected, [&](const QString& filter) {
        const QString extension = request.types.value(filters.indexOf(filter)).extension;
        dialog.setDefaultSuffix(extension);
        // A name that ends in another offered type's extension takes the chosen one's.
        const QStringList names = dialog.selectedFiles();
        if (names.size() != 1 || extension.isEmpty())
            return;
        const QFileInfo name(names.constFirst());
        if (std::any_of(request.types.begin(), request.types.end(), [&](const FileType& type) {
                return !type.extension.isEmpty() &&
                       name.suffix().compare(type.extension, Qt::CaseInsensitive) == 0;
            }))
            dialog.selectFile(name.completeBaseName() + "." + extension);
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return {dialog.selectedFiles().constFirst(),
            std::max(0, static_cast<int>(filters.indexOf(dialog.selectedNameFilter())))};
}

} // namespace dorvanel
