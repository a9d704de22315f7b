// SPDX-License-Identifier: MIT
// The decimal separator of the user's locale, for the engine's number renderings.
#pragma once

namespace dorvanel {

// The locale's separator where it is one ASCII character, else '.'.
char DecimalSeparator();

} // namespace dorvanel
