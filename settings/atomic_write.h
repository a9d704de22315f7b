// SPDX-License-Identifier: MIT
// Saving a file so that a failed or interrupted write leaves the old one whole wherever the
// folder allows it, and never leaves it empty.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace dorvanel {

// The steps of a save that touch the disk, in the order they run.
enum class SaveStep {
    CreateTemporary,
    WriteTemporary,
    FlushTemporary,
    ReplaceByRename,
    // Only where no new file may be made beside the old one.
    OpenInPlace,
    WriteInPlace,
    CutToLength,
    FlushInPlace,
};

// Asked before each step: an error number makes the step fail with it, untried; 0 lets it run.
// Lets tests meet a full disk or a refused folder anywhere.
using SaveFaults = std::function<int(SaveStep step)>;

// Writes `data` to `path`, creating or replacing the file.
// - A symbolic link is followed only when it is this user's or root's: a link that belongs to
//   anyone else, in whatever folder, may have been planted to send the data to a file of this
//   user's, and is refused. Each link of a chain is checked so, and its text read from the very
//   link checked. A link is never followed to make a file that does not exist, and stays a link.
//   The folders on the way to the name are followed as the system follows them for this user.
// - Only a regular file is replaced: a folder, a FIFO or a device is left alone.
// - A file that may not be written (read-only, or unreadable and unwritable) is left as it is.
// - Otherwise the data goes to a new file beside it, flushed to disk and renamed over the old
//   one, which keeps the old file's permissions and, where allowed, its owner.
// - In a folder where no new file may be made, the file is written in place: the new text over
//   the old from the start, then cut to length, so that it is never empty; a failure midway
//   leaves the new text followed by the rest of the old.
// Failures throw SettingsFileError naming `path` and the reason; no temporary file is left.
void SaveFile(const std::string& path, std::string_view data, const SaveFaults& faults = {});

// Removes what saves of `path` killed midway left behind: files of the temporary names SaveFile
// gives, beside the file it writes, that this user owns and that are older than a minute (a save
// under way in another process is younger). Anything else is left alone, and failures are
// ignored.
void RemoveStaleTemporaries(const std::string& path);

} // namespace dorvanel
