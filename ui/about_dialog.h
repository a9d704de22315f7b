// SPDX-License-Identifier: MIT
// Telling the user about the program.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace dorvanel {

// Shows `text`, rich text, under `title`, until the user closes it.
using AboutShower = std::function<void(QWidget* parent, const QString& title, const QString& text)>;

// A dialog modal to the window, with the program's icon.
void ShowAboutDialog(QWidget* parent, const QString& title, const QString& text);

} // namespace dorvanel
