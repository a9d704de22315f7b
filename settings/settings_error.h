// A settings file that cannot be read, is not a settings file, or cannot be saved. The message
// names the file and is meant for the error dialog as it is.
#pragma once

#include <stdexcept>

namespace dorvanel {

class SettingsFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace dorvanel
