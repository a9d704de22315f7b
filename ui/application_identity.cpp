// SPDX-License-Identifier: MIT
#include "application_identity.h"

#include <QApplication>
#include <QIcon>

namespace dorvanel {

void SetApplicationIdentity() {
    // No display name: the window system would show it after the caption.
    QApplication::setApplicationName(QStringLiteral("Dorvanel"));
    QApplication::setApplicationVersion(QStringLiteral(DORVANEL_VERSION));
    // The installed entry is dorvanel.desktop; Wayland compositors find the icon through it.
    QGuiApplication::setDesktopFileName(QStringLiteral("dorvanel"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/dorvanel.png")));
}

} // namespace dorvanel
