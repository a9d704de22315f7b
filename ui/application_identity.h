// SPDX-License-Identifier: MIT
// The names and icon by which the desktop knows the program: window managers and task bars
// match its windows to the installed desktop entry and show its icon.
#pragma once

namespace dorvanel {

void SetApplicationIdentity();

} // namespace dorvanel
