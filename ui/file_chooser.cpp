// SPDX-License-Identifier: MIT
#include "file_chooser.h"

#include <QFileDialog>

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
    auto useType = [&](int type) { dialog.setDefaultSuffix(request.types.value(type).extension); };
    useType(0);
    QObject::connect(&dialog, &QFileDialog::filterSelected,
                     [&](const QString& filter) { useType(filters.indexOf(filter)); });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return {dialog.selectedFiles().constFirst(),
            std::max(0, static_cast<int>(filters.indexOf(dialog.selectedNameFilter())))};
}

} // namespace dorvanel
