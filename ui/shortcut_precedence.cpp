// SPDX-License-Identifier: MIT
#include "shortcut_precedence.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QShortcut>
#include <QWidget>

namespace dorvanel {

ShortcutPrecedence::ShortcutPrecedence(QWidget* window) : QObject(window), window_(window) {
    // The offer goes to whichever widget has the focus, so it is watched for them all; a filter
    // that is deleted leaves the application's list by itself.
    qApp->installEventFilter(this);
}

bool ShortcutPrecedence::IsWindowShortcut(const QKeyEvent& key) const {
    const QKeySequence pressed(key.keyCombination());
    auto matches = [&](const QList<QKeySequence>& keys) {
        return std::any_of(keys.begin(), keys.end(), [&](const QKeySequence& sequence) {
            return sequence.matches(pressed) == QKeySequence::ExactMatch;
        });
    };
    for (const QAction* action : window_->findChildren<QAction*>())
        if (action->isEnabled() && matches(action->shortcuts()))
            return true;
    for (const QAction* action : window_->actions())
        if (action->isEnabled() && matches(action->shortcuts()))
            return true;
    for (const QShortcut* shortcut : window_->findChildren<QShortcut*>())
        if (shortcut->isEnabled() && matches(shortcut->keys()))
            return true;
    return false;
}

bool ShortcutPrecedence::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ShortcutOverride || !watched->isWidgetType())
        return false;
    const auto* widget = static_cast<QWidget*>(watched);
    // The menu bar, once Alt or F10 has opened it, keeps Escape and Enter for itself.
    if (widget == window_ || widget->window() != window_ || qobject_cast<const QMenuBar*>(widget) ||
        !IsWindowShortcut(*static_cast<QKeyEvent*>(event)))
        return false;
    // Not accepted: the key goes on to the shortcuts.
    event->ignore();
    return true;
}

} // namespace dorvanel
