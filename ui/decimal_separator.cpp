// SPDX-License-Identifier: MIT
#include "decimal_separator.h"

#include <QLocale>
#include <QString>

namespace dorvanel {

char DecimalSeparator() {
    const QString point = QLocale().decimalPoint();
    return point.size() == 1 && point[0].unicode() < 128 ? static_cast<char>(point[0].unicode())
                                                         : '.';
}

} // namespace dorvanel
