// SPDX-License-Identifier: MIT
// Saving a file so that a failed or interrupted write leaves the old one whole wherever the
// folder allows it, and never leaves it empty. The settings, the exports and the graph images
// all go through this one writer, so that one rule decides where any of them may write.
#pragma once

#include "file_descriptor.h"

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include <sys/stat.h>

namespace dorvanel {

// The steps of a save that touch the disk, in the order they run.
enum class SaveStep {
    // Each symbolic link on the way to the file, before it is opened to be read.
    OpenLink,
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

// Why a save failed, in the system's words or in ours, without the file's name: each caller
// says what it was saving.
class SaveError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Where no new file may be made beside the old one: refuse, or write the old one in place.
// In place suits only a text that is written whole at once: a failure or a discard midway
// leaves the new text followed by the rest of the old.
enum class InPlace { Refused, Allowed };

namespace detail {

// Where a save writes: the folder the links lead to, open, the file's name in it, and the file
// as it was found, if any. Every step works relative to the open folder, so that renaming a
// folder on the way cannot send the data elsewhere.
struct SavePlace {
    FileDescriptor folder;
    std::string name;
    std::optional<struct stat> file;
};

} // namespace detail

// A file written in pieces that replaces the one under `path` only when committed.
// - A symbolic link is followed only when it is this user's or root's: a link that belongs to
//   anyone else, in whatever folder, may have been planted to send the data to a file of this
//   user's, and is refused. Each link of a chain is checked so, and its text read from the very
//   link checked. A link is never followed to make a file that does not exist, and stays a link.
//   The folders on the way to the name are followed as the system follows them for this user.
// - Only a regular file is replaced: a folder, a FIFO or a device is left alone.
// - A file that may not be written (read-only, or unreadable and unwritable) is left as it is.
// - Otherwise the data goes to a new file beside the file the links lead to, flushed to disk
//   and renamed over that file's name in the folder that was checked, never through a link put
//   there meanwhile. It keeps the old file's permissions and, where allowed, its owner.
// - With InPlace::Allowed, in a folder where no new file may be made, the file is written in
//   place: the new text over the old from the start, then cut to length, so that it is never
//   empty; a failure midway leaves the new text followed by the rest of the old.
// Every failure throws SaveError; a failed, discarded or abandoned save leaves no temporary
// file and the old file as it was (in place: as said above).
class AtomicFile {
public:
    // Checks the place and opens the new file (or, in place, the old one).
    explicit AtomicFile(const std::string& path, InPlace inPlace = InPlace::Refused,
                        SaveFaults faults = {});
    ~AtomicFile() { Discard(); }
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Small pieces are gathered into larger writes.
    void Write(std::string_view data);
    // Writes what is pending, flushes it to disk and puts the file in place.
    void Commit();
    // Gives up the save, if not yet committed.
    void Discard() noexcept;

private:
    void WritePending();
    void WriteOut(std::string_view data);
    [[noreturn]] void DiscardAndFail(int error);

    SaveFaults faults_;
    detail::SavePlace place_;
    bool inPlace_ = false;
    // The new file's name beside the old while it is ours to remove.
    std::string temporary_;
    FileDescriptor file_;
    std::string pending_;
    off_t at_ = 0;
};

// Writes `data` to `path`, creating or replacing the file as AtomicFile does, in place where no
// new file may be made. Failures throw SettingsFileError naming `path` and the reason.
void SaveFile(const std::string& path, std::string_view data, const SaveFaults& faults = {});

// Removes what saves of `path` killed midway left behind: files of the temporary names
// AtomicFile gives, beside the file it writes, that this user owns and that are older than a
// minute (a save under way in another process is younger). Anything else is left alone, and
// failures are ignored.
void RemoveStaleTemporaries(const std::string& path);

} // namespace dorvanel
