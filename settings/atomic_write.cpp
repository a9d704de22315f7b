// SPDX-License-Identifier: MIT
#include "atomic_write.h"

#include "file_descriptor.h"
#include "settings_error.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <ctime>
#include <memory>
#include <optional>
#include <random>
#include <system_error>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dorvanel {
namespace {

constexpr std::size_t kRandomHexDigits = 16;
constexpr std::string_view kTemporaryEnding = ".tmp";
// A save takes milliseconds; a temporary file older than this is no save under way.
constexpr std::time_t kStaleSeconds = 60;

[[noreturn]] void ThrowSaveError(const std::string& path, const std::string& reason) {
    throw SettingsFileError("Cannot save the settings file \"" + path + "\": " + reason + ".");
}

[[noreturn]] void ThrowSaveError(const std::string& path, int error) {
    ThrowSaveError(path, std::generic_category().message(error));
}

// Runs the system call of one step, unless the step is made to fail: -1 and errno then.
template <typename Call> auto Run(const SaveFaults& faults, SaveStep step, Call call) {
    if (faults)
        if (const int error = faults(step)) {
            errno = error;
            return decltype(call())(-1);
        }
    return call();
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Where a save writes: the folder the links lead to, open, the file's name in it, and the file
// as it was found, if any.
// Every later step works relative to the open folder, so that renaming a folder on the way
// cannot send the data elsewhere.
struct Place {
    FileDescriptor folder;
    std::string name;
    std::optional<struct stat> file;
};

constexpr int kMaxLinks = 40;

constexpr const char* kLeadsNowhere = "it is a symbolic link to a file that does not exist";

// The entry `name` of an open folder as it is, not followed.
Place PlaceIn(FileDescriptor folder, std::string name, const std::string& path) {
    Place place{std::move(folder), std::move(name), std::nullopt};
    struct stat status {};
    if (::fstatat(place.folder.get(), place.name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0)
        place.file = status;
    else if (errno != ENOENT)
        ThrowSaveError(path, errno);
    return place;
}

// The entry the link at `link` names, not yet followed further.
Place Follow(Place link, const std::string& path) {
    // The link itself, so that the owner checked and the text followed are those of one link
    // even if another takes its name meanwhile.
    const FileDescriptor self(
        ::openat(link.folder.get(), link.name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    if (!self.valid())
        ThrowSaveError(path, errno);
    struct stat status {};
    if (::fstat(self.get(), &status) != 0)
        ThrowSaveError(path, errno);
    if (!S_ISLNK(status.st_mode) || !SameFile(status, *link.file))
        ThrowSaveError(path, "it was replaced while it was being saved");
    // Whoever may put a link in a folder, shared or their own, could aim it at any file of this
    // user's: only this user's links and root's are followed.
    if (status.st_uid != ::geteuid() && status.st_uid != 0)
        ThrowSaveError(path,
                       "it is a symbolic link that belongs to another user, and is not followed");
    char text[PATH_MAX];
    const ssize_t length = ::readlinkat(self.get(), "", text, sizeof text);
    if (length < 0)
        ThrowSaveError(path, errno);
    if (static_cast<std::size_t>(length) >= sizeof text)
        ThrowSaveError(path, ENAMETOOLONG);
    const std::string target(text, static_cast<std::size_t>(length));
    const std::size_t slash = target.find_last_of('/');
    std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    if (name.empty())
        name = "."; // a link to "folder/" leads to the folder itself
    if (slash == std::string::npos)
        return PlaceIn(std::move(link.folder), std::move(name), path);
    const std::string folder = slash == 0 ? "/" : target.substr(0, slash);
    // A relative text is read from the link's own folder, as the system reads it.
    FileDescriptor opened(
        ::openat(link.folder.get(), folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!opened.valid()) {
        if (errno == ENOENT)
            ThrowSaveError(path, kLeadsNowhere);
        ThrowSaveError(path, errno);
    }
    return PlaceIn(std::move(opened), std::move(name), path);
}

// Where a save of `path` writes: the links of its last part followed one by one.
Place Locate(const std::string& path) {
    FileDescriptor folder(::open(FolderOf(path).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid())
        ThrowSaveError(path, errno);
    Place place = PlaceIn(std::move(folder), NameOf(path), path);
    for (int links = 0; place.file && S_ISLNK(place.file->st_mode); ++links) {
        if (links == kMaxLinks)
            ThrowSaveError(path, ELOOP);
        place = Follow(std::move(place), path);
        if (!place.file)
            ThrowSaveError(path, kLeadsNowhere);
    }
    return place;
}

std::string RandomSuffix() {
    std::random_device device;
    char text[kRandomHexDigits + 2];
    std::snprintf(text, sizeof text, ".%08x%08x", device(), device());
    return text;
}

bool IsTemporaryName(std::string_view entry, const std::string& name) {
    if (entry.size() != name.size() + 1 + kRandomHexDigits + kTemporaryEnding.size() ||
        !entry.starts_with(name) || entry[name.size()] != '.' || !entry.ends_with(kTemporaryEnding))
        return false;
    const std::string_view digits = entry.substr(name.size() + 1, kRandomHexDigits);
    return std::all_of(digits.begin(), digits.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

// A new file of our own beside the old, never one that already exists.
FileDescriptor CreateTemporary(const Place& place, std::string& name, const SaveFaults& faults) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = place.name + RandomSuffix() + std::string(kTemporaryEnding);
        FileDescriptor file(Run(faults, SaveStep::CreateTemporary, [&] {
            return ::openat(place.folder.get(), name.c_str(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        }));
        if (file.valid() || errno != EEXIST)
            return file;
    }
    return FileDescriptor();
}

// Writes all of `data` from the start of the file; the error, or 0.
int WriteFromStart(int fd, std::string_view data, SaveStep step, const SaveFaults& faults) {
    off_t offset = 0;
    while (!data.empty()) {
        const ssize_t written =
            Run(faults, step, [&] { return ::pwrite(fd, data.data(), data.size(), offset); });
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data.remove_prefix(static_cast<std::size_t>(written));
        offset += written;
    }
    return 0;
}

void ReplaceByTemporary(const std::string& path, const Place& place, FileDescriptor file,
                        const std::string& temporary, std::string_view data,
                        const SaveFaults& faults) {
    if (place.file) {
        // The owner first: changing it clears the set-user and set-group bits.
        [[maybe_unused]] const int ignored =
            ::fchown(file.get(), place.file->st_uid, place.file->st_gid);
        ::fchmod(file.get(), place.file->st_mode & 07777);
    }
    int error = WriteFromStart(file.get(), data, SaveStep::WriteTemporary, faults);
    if (error == 0 &&
        Run(faults, SaveStep::FlushTemporary, [&] { return ::fsync(file.get()); }) != 0)
        error = errno;
    if (const int closing = file.Close(); error == 0)
        error = closing;
    if (error == 0 && Run(faults, SaveStep::ReplaceByRename, [&] {
                          return ::renameat(place.folder.get(), temporary.c_str(),
                                            place.folder.get(), place.name.c_str());
                      }) != 0)
        error = errno;
    if (error != 0) {
        ::unlinkat(place.folder.get(), temporary.c_str(), 0);
        ThrowSaveError(path, error);
    }
}

void WriteInPlace(const std::string& path, const Place& place, std::string_view data,
                  const SaveFaults& faults) {
    // Never through a link, and never waiting on a FIFO put there meanwhile.
    FileDescriptor file(Run(faults, SaveStep::OpenInPlace, [&] {
        return ::openat(place.folder.get(), place.name.c_str(),
                        O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    }));
    if (!file.valid())
        ThrowSaveError(path, errno);
    struct stat opened {};
    if (::fstat(file.get(), &opened) != 0)
        ThrowSaveError(path, errno);
    if (!S_ISREG(opened.st_mode) || !SameFile(opened, *place.file))
        ThrowSaveError(path, "it was replaced while it was being saved");
    // Cutting first would leave an empty file to whatever stops the save midway.
    int error = WriteFromStart(file.get(), data, SaveStep::WriteInPlace, faults);
    if (error == 0 && Run(faults, SaveStep::CutToLength, [&] {
                          return ::ftruncate(file.get(), static_cast<off_t>(data.size()));
                      }) != 0)
        error = errno;
    if (error == 0 && Run(faults, SaveStep::FlushInPlace, [&] { return ::fsync(file.get()); }) != 0)
        error = errno;
    if (const int closing = file.Close(); error == 0)
        error = closing;
    if (error != 0)
        ThrowSaveError(path, error);
}

} // namespace

void SaveFile(const std::string& path, std::string_view data, const SaveFaults& faults) {
    const Place place = Locate(path);
    if (place.file) {
        if (S_ISDIR(place.file->st_mode))
            ThrowSaveError(path, EISDIR);
        if (!S_ISREG(place.file->st_mode))
            ThrowSaveError(path, "it is not a regular file");
        if (::faccessat(place.folder.get(), place.name.c_str(), W_OK, AT_EACCESS) != 0)
            ThrowSaveError(path, errno);
    }
    std::string temporary;
    FileDescriptor file = CreateTemporary(place, temporary, faults);
    if (!file.valid()) {
        const int error = errno;
        if (place.file && (error == EACCES || error == EPERM))
            return WriteInPlace(path, place, data, faults);
        ThrowSaveError(path, error);
    }
    ReplaceByTemporary(path, place, std::move(file), temporary, data, faults);
}

void RemoveStaleTemporaries(const std::string& path) {
    try {
        const Place place = Locate(path);
        const int listing = ::openat(place.folder.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (listing < 0)
            return;
        const std::unique_ptr<DIR, int (*)(DIR*)> folder(::fdopendir(listing), ::closedir);
        if (!folder) {
            ::close(listing);
            return;
        }
        const std::time_t staleBefore = std::time(nullptr) - kStaleSeconds;
        while (const dirent* entry = ::readdir(folder.get())) {
            struct stat status {};
            if (IsTemporaryName(entry->d_name, place.name) &&
                ::fstatat(listing, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISREG(status.st_mode) && status.st_uid == ::geteuid() &&
                status.st_mtime < staleBefore)
                ::unlinkat(listing, entry->d_name, 0);
        }
    } catch (const SettingsFileError&) {
        // Nowhere a save could write: it will say why itself.
    }
}

} // namespace dorvanel
