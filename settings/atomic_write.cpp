// SPDX-License-Identifier: MIT
#include "atomic_write.h"

#include "settings_error.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <ctime>
#include <memory>
#include <random>
#include <system_error>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace dorvanel {
namespace {

using Place = detail::SavePlace;

constexpr std::size_t kRandomHexDigits = 16;
constexpr std::string_view kTemporaryEnding = ".tmp";
// A save takes milliseconds; a temporary file older than this is no save under way.
constexpr std::time_t kStaleSeconds = 60;
// Small pieces are gathered into writes of this size.
constexpr std::size_t kWriteSize = 64 * 1024;
// As many links as the system follows in one path.
constexpr int kMaxLinks = 40;

constexpr const char* kLeadsNowhere = "it is a symbolic link to a file that does not exist";
constexpr const char* kReplacedMeanwhile = "it was replaced while it was being saved";

[[noreturn]] void Fail(const std::string& reason) {
    throw SaveError(reason);
}

[[noreturn]] void Fail(int error) {
    Fail(std::generic_category().message(error));
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

// The entry `name` of an open folder as it is, not followed.
Place PlaceIn(FileDescriptor folder, std::string name) {
    Place place{std::move(folder), std::move(name), std::nullopt};
    struct stat status {};
    if (::fstatat(place.folder.get(), place.name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0)
        place.file = status;
    else if (errno != ENOENT)
        Fail(errno);
    return place;
}

// The entry the link at `link` names, not yet followed further.
Place Follow(Place link, const SaveFaults& faults) {
    // The link itself, so that the owner checked and the text followed are those of one link
    // even if another takes its name meanwhile.
    const FileDescriptor self(Run(faults, SaveStep::OpenLink, [&] {
        return ::openat(link.folder.get(), link.name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    }));
    if (!self.valid())
        Fail(errno);
    struct stat status {};
    if (::fstat(self.get(), &status) != 0)
        Fail(errno);
    if (!S_ISLNK(status.st_mode) || !SameFile(status, *link.file))
        Fail(kReplacedMeanwhile);
    // Whoever may put a link in a folder, shared or their own, could aim it at any file of this
    // user's: only this user's links and root's are followed.
    if (status.st_uid != ::geteuid() && status.st_uid != 0)
        Fail("it is a symbolic link that belongs to another user, and is not followed");
    char text[PATH_MAX];
    const ssize_t length = ::readlinkat(self.get(), "", text, sizeof text);
    if (length < 0)
        Fail(errno);
    if (static_cast<std::size_t>(length) >= sizeof text)
        Fail(ENAMETOOLONG);
    const std::string target(text, static_cast<std::size_t>(length));
    const std::size_t slash = target.find_last_of('/');
    std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    if (name.empty())
        name = "."; // a link to "folder/" leads to the folder itself
    if (slash == std::string::npos)
        return PlaceIn(std::move(link.folder), std::move(name));
    const std::string folder = slash == 0 ? "/" : target.substr(0, slash);
    // A relative text is read from the link's own folder, as the system reads it.
    FileDescriptor opened(
        ::openat(link.folder.get(), folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!opened.valid())
        Fail(errno == ENOENT ? std::string(kLeadsNowhere) : std::generic_category().message(errno));
    return PlaceIn(std::move(opened), std::move(name));
}

// Where a save of `path` writes: the links of its last part followed one by one.
Place Locate(const std::string& path, const SaveFaults& faults) {
    FileDescriptor folder(::open(FolderOf(path).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid())
        Fail(errno);
    Place place = PlaceIn(std::move(folder), NameOf(path));
    for (int links = 0; place.file && S_ISLNK(place.file->st_mode); ++links) {
        if (links == kMaxLinks)
            Fail(ELOOP);
        place = Follow(std::move(place), faults);
        if (!place.file)
            Fail(kLeadsNowhere);
    }
    return place;
}

// Only a regular file this user may write is replaced.
void CheckReplaceable(const Place& place) {
    if (!place.file)
        return;
    if (S_ISDIR(place.file->st_mode))
        Fail(EISDIR);
    if (!S_ISREG(place.file->st_mode))
        Fail("it is not a regular file");
    if (::faccessat(place.folder.get(), place.name.c_str(), W_OK, AT_EACCESS) != 0)
        Fail(errno);
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

} // namespace

AtomicFile::AtomicFile(const std::string& path, InPlace inPlace, SaveFaults faults)
    : faults_(std::move(faults)), place_(Locate(path, faults_)) {
    CheckReplaceable(place_);
    std::string temporary;
    file_ = CreateTemporary(place_, temporary, faults_);
    if (file_.valid()) {
        temporary_ = std::move(temporary);
        if (place_.file) {
            // The owner first: changing it clears the set-user and set-group bits.
            [[maybe_unused]] const int ignored =
                ::fchown(file_.get(), place_.file->st_uid, place_.file->st_gid);
            ::fchmod(file_.get(), place_.file->st_mode & 07777);
        }
        return;
    }
    const int error = errno;
    if (inPlace == InPlace::Refused || !place_.file || (error != EACCES && error != EPERM))
        Fail(error);
    inPlace_ = true;
    // Never through a link, and never waiting on a FIFO put there meanwhile.
    file_ = FileDescriptor(Run(faults_, SaveStep::OpenInPlace, [&] {
        return ::openat(place_.folder.get(), place_.name.c_str(),
                        O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    }));
    if (!file_.valid())
        Fail(errno);
    struct stat opened {};
    if (::fstat(file_.get(), &opened) != 0)
        Fail(errno);
    if (!S_ISREG(opened.st_mode) || !SameFile(opened, *place_.file))
        Fail(kReplacedMeanwhile);
}

void AtomicFile::Write(std::string_view data) {
    if (pending_.size() + data.size() < kWriteSize) {
        pending_ += data;
        return;
    }
    WritePending();
    WriteOut(data);
}

void AtomicFile::WritePending() {
    WriteOut(pending_);
    pending_.clear();
}

void AtomicFile::WriteOut(std::string_view data) {
    if (!file_.valid())
        Fail(EBADF);
    // In place, the new text goes over the old from the start: cutting first would leave an
    // empty file to whatever stops the save midway.
    const SaveStep step = inPlace_ ? SaveStep::WriteInPlace : SaveStep::WriteTemporary;
    while (!data.empty()) {
        const ssize_t written = Run(
            faults_, step, [&] { return ::pwrite(file_.get(), data.data(), data.size(), at_); });
        if (written < 0) {
            if (errno == EINTR)
                continue;
            DiscardAndFail(errno);
        }
        data.remove_prefix(static_cast<std::size_t>(written));
        at_ += written;
    }
}

void AtomicFile::Commit() {
    WritePending();
    int error = 0;
    if (inPlace_ &&
        Run(faults_, SaveStep::CutToLength, [&] { return ::ftruncate(file_.get(), at_); }) != 0)
        error = errno;
    if (error == 0 && Run(faults_, inPlace_ ? SaveStep::FlushInPlace : SaveStep::FlushTemporary,
                          [&] { return ::fsync(file_.get()); }) != 0)
        error = errno;
    if (const int closing = file_.Close(); error == 0)
        error = closing;
    // The name in the folder that was checked: a link put there meanwhile is replaced, never
    // followed.
    if (error == 0 && !inPlace_ && Run(faults_, SaveStep::ReplaceByRename, [&] {
                                       return ::renameat(place_.folder.get(), temporary_.c_str(),
                                                         place_.folder.get(), place_.name.c_str());
                                   }) != 0)
        error = errno;
    if (error != 0)
        DiscardAndFail(error);
    temporary_.clear();
}

void AtomicFile::Discard() noexcept {
    file_.Close();
    if (!temporary_.empty())
        ::unlinkat(place_.folder.get(), temporary_.c_str(), 0);
    temporary_.clear();
}

void AtomicFile::DiscardAndFail(int error) {
    Discard();
    Fail(error);
}

void SaveFile(const std::string& path, std::string_view data, const SaveFaults& faults) {
    try {
        AtomicFile file(path, InPlace::Allowed, faults);
        file.Write(data);
        file.Commit();
    } catch (const SaveError& error) {
        throw SettingsFileError("Cannot save the settings file \"" + path + "\": " + error.what() +
                                ".");
    }
}

void RemoveStaleTemporaries(const std::string& path) {
    try {
        const Place place = Locate(path, {});
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
    } catch (const SaveError&) {
        // Nowhere a save could write: it will say why itself.
    }
}

} // namespace dorvanel
