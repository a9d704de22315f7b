// SPDX-License-Identifier: MIT
// Asks the user a question that is answered yes or no, in a dialog modal to the window. The
// dialog itself is replaceable so that tests never block on it.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace dorvanel {

// True for yes.
using Question = std::function<bool(QWidget* parent, const QString& question)>;

// Installs a question dialog for the whole process and returns the one it replaces.
Question SetQuestion(Question question);

bool Ask(QWidget* parent, const QString& question);

} // namespace dorvanel
