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

[[noreturn]] void ThrowSaveError(const std::string& path, int error) {
    throw SettingsFileError("Cannot save the settings file \"" + path +
                            "\": " + std::generic_category().message(error) + ".");
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

} // namespace

void WriteFileAtomically(const std::string& path, std::string_view data) {
    std::error_code ignored;
    const std::filesystem::path resolved = std::filesystem::canonical(path, ignored);
    const std::string target = resolved.empty() ? path : resolved.string();

    std::string temporaryPath;
    const int fd = CreateTemporary(target, temporaryPath);
    if (fd < 0)
        ThrowSaveError(path, errno);

    // The new file takes over the old one's permissions; a new one keeps the umask's.
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode))
        ::fchmod(fd, old.st_mode & 07777);

    int error = 0;
    if (!WriteAll(fd, data) || ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temporaryPath.c_str(), target.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporaryPath.c_str());
        ThrowSaveError(path, error);
    }
}

} // namespace dorvanel
