// SPDX-License-Identifier: MIT
#include "options_file.h"

#include "atomic_write.h"
#include "file_descriptor.h"
#include "line_text.h"
#include "settings_error.h"

#include <cerrno>
#include <climits>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dorvanel {
namespace {

[[noreturn]] void ThrowReadError(const std::string& path, const std::string& reason) {
    throw SettingsFileError("Cannot read the settings file \"" + path + "\": " + reason + ".");
}

[[noreturn]] void ThrowNotSettings(const std::string& path, const std::string& reason) {
    throw NotSettingsFileError("The file \"" + path + "\" is not a settings file: " + reason + ".");
}

// Up to `limit` bytes from the start of the file.
std::string ReadAtMost(int fd, std::size_t limit, const std::string& path) {
    std::string data(limit, '\0');
    std::size_t size = 0;
    while (size < limit) {
        const ssize_t got = ::read(fd, data.data() + size, limit - size);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            ThrowReadError(path, std::generic_category().message(errno));
        if (got == 0)
            break;
        size += static_cast<std::size_t>(got);
    }
    data.resize(size);
    return data;
}

} // namespace

std::string CurrentSettingsDir() {
    char path[PATH_MAX];
    const bool found = ::getcwd(path, sizeof path) != nullptr;
    if (!found || path[0] != '/')
        throw SettingsFileError("The current folder cannot be used (" +
                                std::generic_category().message(found ? ENOENT : errno) +
                                "): the settings are neither read nor saved.");
    return path;
}

std::string OptionsFilePath(const std::string& settingsDir) {
    return settingsDir + static_cast<char>(std::filesystem::path::preferred_separator) +
           kOptionsFileName;
}

std::vector<std::string> ParseOptionsText(std::string_view text, const std::string& path) {
    if (text.size() > kMaxOptionsFileSize)
        ThrowNotSettings(path, "it is larger than " + std::to_string(kMaxOptionsFileSize / 1024) +
                                   " KiB");
    if (text.find('\0') != std::string_view::npos)
        ThrowNotSettings(path, "it holds binary data");
    std::vector<std::string> lines = SplitLines(text);
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].size() > kMaxOptionsLineLength)
            ThrowNotSettings(path, "line " + std::to_string(i + 1) + " is longer than " +
                                       std::to_string(kMaxOptionsLineLength) + " characters");
    return lines;
}

std::optional<std::vector<std::string>> ReadOptionsFile(const std::string& path) {
    // Non-blocking, so that a FIFO in the file's place is refused instead of waited on.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return std::nullopt;
        ThrowReadError(path, std::generic_category().message(errno));
    }
    const FileDescriptor file(fd);
    struct stat status {};
    if (::fstat(fd, &status) != 0)
        ThrowReadError(path, std::generic_category().message(errno));
    if (!S_ISREG(status.st_mode))
        ThrowReadError(path, "it is not a regular file");
    return ParseOptionsText(ReadAtMost(fd, kMaxOptionsFileSize + 1, path), path);
}

void WriteOptionsFile(const std::string& path, const std::vector<std::string>& lines) {
    SaveFile(path, JoinLines(lines));
}

} // namespace dorvanel
