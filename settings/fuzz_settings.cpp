// SPDX-License-Identifier: MIT
// libFuzzer entry: arbitrary bytes as an options file, through the checks, the split into
// lines and the apply, and the same bytes as settings through a save and a load.
#include "line_text.h"
#include "options_file.h"
#include "settings_error.h"
#include "settings_lines.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

using namespace dorvanel;

void Check(bool condition) {
    if (!condition)
        std::abort();
}

// What a save followed by a load gives, starting from settings unlike the saved ones.
DisplaySettings SavedAndLoaded(const DisplaySettings& settings) {
    const std::vector<std::string> lines =
        ParseOptionsText(JoinLines(FormatSettingsLines(settings)), "fuzz");
    DisplaySettings other{
        !settings.showX,     !settings.showY,           ~settings.penColor,
        ~settings.fillColor, ~settings.backgroundColor, ~settings.graphStyle,
        !settings.showAxes,  !settings.likelyOnly,      100 - settings.explodeDepth};
    const ApplyResult result = ApplySettingsLines(lines, other);
    Check(result.applied && !result.error);
    return result.settings;
}

void LoadText(std::string_view text) {
    std::vector<std::string> lines;
    try {
        lines = ParseOptionsText(text, "fuzz");
    } catch (const SettingsFileError&) {
        return;
    }
    Check(SplitLines(JoinLines(lines)) == lines);

    const DisplaySettings current;
    const ApplyResult result = ApplySettingsLines(lines, current);
    Check(result.applied == !lines.empty());
    if (!result.applied)
        Check(result.settings == current);
    if (result.error) {
        Check(result.error->ends_with("' is not a valid integer value") ||
              (result.error->starts_with("the explosion depth ") &&
               result.error->ends_with(" is not from 0 to 100")));
        // A value line follows its key: the second line at the earliest, one past the last
        // when missing.
        Check(result.errorLine >= 2 && result.errorLine <= lines.size() + 1);
    }
    Check(SavedAndLoaded(result.settings) == result.settings);
}

DisplaySettings SettingsFromBytes(const std::uint8_t* data) {
    std::int32_t values[4];
    std::memcpy(values, data + 1, sizeof values);
    return {(data[0] & 1) != 0, (data[0] & 2) != 0, values[0], values[1], values[2], values[3]};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    LoadText({reinterpret_cast<const char*>(data), size});
    if (size >= 1 + 4 * sizeof(std::int32_t)) {
        const DisplaySettings settings = SettingsFromBytes(data);
        Check(SavedAndLoaded(settings) == settings);
    }
    return 0;
}
