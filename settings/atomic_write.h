// SPDX-License-Identifier: MIT
// Saving a file so that a failed or interrupted write leaves the old one whole wherever the
// folder allows it, and otherwise exactly as writing the file in place would.
#pragma once

#include <string>
#include <string_view>

namespace dorvanel {

// Writes `data` to `path`, creating or replacing the file. A symbolic link is followed, also to
// a file not yet made, so that the link stays a link and the file it points to is written.
// - A file that may not be written (read-only, or unreadable and unwritable) is left as it is.
// - Otherwise the data goes to a new file beside it, flushed to disk and renamed over the old
//   one, which keeps the old file's permissions and, where allowed, its owner.
// - In a folder where no new file may be made, an existing regular file is written in place;
//   a failure midway then leaves it cut short, as any direct write would.
// Failures throw SettingsFileError naming `path` and the reason; no temporary file is left.
void SaveFile(const std::string& path, std::string_view data);

} // namespace dorvanel
