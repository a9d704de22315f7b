// SPDX-License-Identifier: MIT
// The options file: where it is, and reading and writing it as a list of lines.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dorvanel {

inline constexpr const char* kOptionsFileName = "options.DAT";

// Far beyond any settings file, small enough that a wrong file is refused at once.
inline constexpr std::size_t kMaxOptionsFileSize = 64 * 1024;
inline constexpr std::size_t kMaxOptionsLineLength = 1024;

// The current directory, where the options file is kept: its path as the system's bytes, never
// re-encoded. SettingsFileError saying why when it cannot be had as it is: deleted, or with a
// path longer than the system allows.
std::string CurrentSettingsDir();

// The directory followed directly by this platform's separator and "options.DAT", without any
// check, so that a root directory gives two separators in a row.
std::string OptionsFilePath(const std::string& settingsDir);

// The file's text as lines. Text larger than kMaxOptionsFileSize, with a NUL byte or with a
// line longer than kMaxOptionsLineLength is no settings file: NotSettingsFileError naming `path`.
std::vector<std::string> ParseOptionsText(std::string_view text, const std::string& path);

// The file's lines, or none when there is no file. A file that cannot be read or is not a
// regular file throws SettingsFileError naming `path`, one refused by ParseOptionsText
// NotSettingsFileError; it never reads more than one byte past the size limit.
std::optional<std::vector<std::string>> ReadOptionsFile(const std::string& path);

// Writes the lines with CR LF, creating or replacing the file as SaveFile does.
void WriteOptionsFile(const std::string& path, const std::vector<std::string>& lines);

} // namespace dorvanel
