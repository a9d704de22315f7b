// SPDX-License-Identifier: MIT
// A settings file that cannot be read, is not a settings file, or cannot be saved. The message
// names the file and is meant for the error dialog as it is.
#pragma once

#include <stdexcept>

namespace dorvanel {

class SettingsFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A file that was read but holds no settings: too large, binary, or with overlong lines. The
// user may keep something else under that name, so it is replaced only when asked to.
class NotSettingsFileError : public SettingsFileError {
public:
    using SettingsFileError::SettingsFileError;
};

} // namespace dorvanel
