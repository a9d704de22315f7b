// SPDX-License-Identifier: MIT
#include "save_names.h"

#include <QFileInfo>

namespace dorvanel {

QString FileNameFor(const std::string& notation) {
    QString name = QString::fromStdString(notation);
    for (QChar& c : name)
        if (c.unicode() < 0x20 || QStringLiteral("/\\:*?\"<>|").contains(c))
            c = QLatin1Char('_');
    return name;
}

QString WithExtension(const QString& path, const QString& extension) {
    if (extension.isEmpty() || !QFileInfo(path).suffix().isEmpty())
        return path;
    return path.endsWith(QLatin1Char('.')) ? path + extension : path + QLatin1Char('.') + extension;
}

} // namespace dorvanel
