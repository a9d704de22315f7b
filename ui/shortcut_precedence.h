// SPDX-License-Identifier: MIT
// Keeps a window's shortcuts working wherever its focus is. An input may claim a key for its own
// editing before shortcuts are looked up (with the X11 key scheme a line edit takes Ctrl+E to
// move to the end of the line); the keys of the window's actions and shortcuts are not offered
// to its inputs, so that they always reach the window.
#pragma once

#include <QObject>

class QKeyEvent;
class QWidget;

namespace dorvanel {

class ShortcutPrecedence : public QObject {
    Q_OBJECT
public:
    // Watches every input of `window`, also those added later, for as long as it lives; made a
    // child of the window.
    explicit ShortcutPrecedence(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool IsWindowShortcut(const QKeyEvent& key) const;

    QWidget* window_;
};

} // namespace dorvanel
