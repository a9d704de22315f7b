// SPDX-License-Identifier: MIT
// Lists of lines between the settings library and QtTest's data tables.
#pragma once

#include <QStringList>

#include <string>
#include <vector>

inline std::vector<std::string> ToLines(const QStringList& list) {
    std::vector<std::string> lines;
    for (const QString& line : list)
        lines.push_back(line.toStdString());
    return lines;
}

inline QStringList ToStringList(const std::vector<std::string>& lines) {
    QStringList list;
    for (const std::string& line : lines)
        list << QString::fromStdString(line);
    return list;
}
