// SPDX-License-Identifier: MIT
// Asking the user a question that is answered yes or no.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace dorvanel {

// Asks the question; true for yes.
using Question = std::function<bool(QWidget* parent, const QString& question)>;

// A dialog modal to the window, No by default.
bool AskInDialog(QWidget* parent, const QString& question);

} // namespace dorvanel
