// SPDX-License-Identifier: MIT
#include "atomic_write.h"

#include "settings_error.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dorvanel {
namespace {

// As many links as the system itself follows before it gives up with ELOOP.
constexpr int kMaxLinkHops = 40;

[[noreturn]] void ThrowSaveError(const std::string& path, int error) {
    throw SettingsFileError("Cannot save the settings file \"" + path +
                            "\": " + std::generic_category().message(error) + ".");
}

// The file `path` names once the symbolic links in its last part are followed, whether or not
// that file exists yet.
std::filesystem::path LinkTarget(const std::string& path) {
    std::filesystem::path current = path;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        std::error_code error;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(current, error)))
            return current;
        const std::filesystem::path next = std::filesystem::read_symlink(current, error);
        if (error)
            ThrowSaveError(path, error.value());
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    ThrowSaveError(path, ELOOP);
}

std::string RandomSuffix() {
    std::random_device device;
    char text[24];
    std::snprintf(text, sizeof text, ".%08x%08x", device(), device());
    return text;
}

// A new file of our own beside `target`, never one that already exists.
int CreateTemporary(const std::string& target, std::string& temporaryPath) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporaryPath = target + RandomSuffix() + ".tmp";
        const int fd = ::open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Writes, flushes and closes; the first error, or 0.
int WriteAndClose(int fd, std::string_view data) {
    int error = 0;
    if (!WriteAll(fd, data) || ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    return error;
}

void WriteInPlace(const std::string& path, const std::string& target, std::string_view data) {
    // Non-blocking, so that a FIFO put there meanwhile is refused instead of waited on.
    const int fd = ::open(target.c_str(), O_WRONLY | O_TRUNC | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        ThrowSaveError(path, errno);
    if (const int error = WriteAndClose(fd, data))
        ThrowSaveError(path, error);
}

} // namespace

void SaveFile(const std::string& path, std::string_view data) {
    const std::string target = LinkTarget(path).string();
    if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0 && errno != ENOENT)
        ThrowSaveError(path, errno);
    struct stat old {};
    const bool replacesFile = ::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode);

    std::string temporaryPath;
    const int fd = CreateTemporary(target, temporaryPath);
    if (fd < 0) {
        const int error = errno;
        if (replacesFile && (error == EACCES || error == EPERM))
            return WriteInPlace(path, target, data);
        ThrowSaveError(path, error);
    }
    if (replacesFile) {
        // The owner first: changing it clears the set-user and set-group bits.
        [[maybe_unused]] const int ignored = ::fchown(fd, old.st_uid, old.st_gid);
        ::fchmod(fd, old.st_mode & 07777);
    }
    int error = WriteAndClose(fd, data);
    if (error == 0 && ::rename(temporaryPath.c_str(), target.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporaryPath.c_str());
        ThrowSaveError(path, error);
    }
}

} // namespace dorvanel
