// SPDX-License-Identifier: MIT
// The names the save dialogs propose, and the extension a chosen type adds to a name.
#pragma once

#include <QString>

#include <string>

namespace dorvanel {

// What was analysed as a file name: the pool's notation, with the characters that some file
// systems refuse, and control characters, each replaced by "_".
QString FileNameFor(const std::string& notation);

// The path, with "." and `extension` added when its name has no extension of its own and
// `extension` is not empty.
QString WithExtension(const QString& path, const QString& extension);

} // namespace dorvanel
