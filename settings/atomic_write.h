// Replacing a file so that a failed or interrupted write leaves the old one whole.
#pragma once

#include <string>
#include <string_view>

namespace dorvanel {

// Writes `data` to a new file beside `path`, flushes it to disk and renames it over `path`,
// keeping the old file's permissions; a symbolic link is followed, so that the file it points
// to is the one replaced. On failure the temporary file is removed and SettingsFileError names
// `path` and the reason.
void WriteFileAtomically(const std::string& path, std::string_view data);

} // namespace dorvanel
