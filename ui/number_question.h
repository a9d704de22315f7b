// SPDX-License-Identifier: MIT
// Asking the user for a whole number within a range.
#pragma once

#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace dorvanel {

// Asks for a number from `low` to `high`, starting at `value`; nothing when cancelled.
using NumberQuestion = std::function<std::optional<int>(QWidget* parent, const QString& question,
                                                        int value, int low, int high)>;

// A dialog modal to the window.
std::optional<int> AskNumberInDialog(QWidget* parent, const QString& question, int value, int low,
                                     int high);

} // namespace dorvanel
