// SPDX-License-Identifier: MIT
#include "settings_lines.h"

#include "conversions.h"
#include "errors.h"

#include <string_view>

namespace dorvanel {
namespace {

constexpr std::string_view kShowX = "SHOWX";
constexpr std::string_view kShowY = "SHOWY";
constexpr std::string_view kPenColor = "PENCOLOR";
constexpr std::string_view kFillColor = "FILLCOLOR";
constexpr std::string_view kBackgroundColor = "BACKGROUNDCOLOR";
constexpr std::string_view kGraphStyle = "GRAPHSTYLE";
constexpr std::string_view kExplodeDepth = "EXPLODEDEPTH";
constexpr std::int32_t kDefaultExplodeDepth = DisplaySettings{}.explodeDepth;
constexpr std::int32_t kMostExplodeDepth = 100;
// Flags added later, on lines of their own: older versions pass over lines they do not know.
constexpr std::string_view kShowAxes = "SHOWAXES";
constexpr std::string_view kLikelyOnly = "LIKELYONLY";

// The integer setting a key line names, or none for a flag or a line that is no such key.
std::int32_t* ValueSetting(std::string_view line, DisplaySettings& settings) {
    if (line == kGraphStyle)
        return &settings.graphStyle;
    if (line == kPenColor)
        return &settings.penColor;
    if (line == kFillColor)
        return &settings.fillColor;
    if (line == kBackgroundColor)
        return &settings.backgroundColor;
    if (line == kExplodeDepth)
        return &settings.explodeDepth;
    return nullptr;
}

} // namespace

const std::vector<std::string>& DefaultSettingsLines() {
    static const std::vector<std::string> lines = FormatSettingsLines(DisplaySettings{});
    return lines;
}

std::vector<std::string> FormatSettingsLines(const DisplaySettings& settings) {
    std::vector<std::string> lines;
    if (settings.showX)
        lines.emplace_back(kShowX);
    if (settings.showY)
        lines.emplace_back(kShowY);
    if (settings.showAxes)
        lines.emplace_back(kShowAxes);
    if (settings.likelyOnly)
        lines.emplace_back(kLikelyOnly);
    const auto add = [&lines](std::string_view key, std::int32_t value) {
        lines.emplace_back(key);
        lines.push_back(IntToStr(value));
    };
    add(kPenColor, settings.penColor);
    add(kFillColor, settings.fillColor);
    add(kBackgroundColor, settings.backgroundColor);
    add(kGraphStyle, settings.graphStyle);
    if (settings.explodeDepth != kDefaultExplodeDepth)
        add(kExplodeDepth, settings.explodeDepth);
    return lines;
}

ApplyResult ApplySettingsLines(const std::vector<std::string>& lines,
                               const DisplaySettings& current) {
    ApplyResult result{false, current, std::nullopt};
    if (lines.empty())
        return result;
    result.applied = true;
    result.settings.showX = false;
    result.settings.showY = false;
    result.settings.explodeDepth = kDefaultExplodeDepth;
    result.settings.showAxes = false;
    result.settings.likelyOnly = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line == kShowX) {
            result.settings.showX = true;
        } else if (line == kShowY) {
            result.settings.showY = true;
        } else if (line == kShowAxes) {
            result.settings.showAxes = true;
        } else if (line == kLikelyOnly) {
            result.settings.likelyOnly = true;
        } else if (std::int32_t* setting = ValueSetting(line, result.settings)) {
            const std::string_view value =
                i + 1 < lines.size() ? std::string_view(lines[i + 1]) : std::string_view();
            try {
                const std::int32_t read = StrToInt(value);
                if (setting == &result.settings.explodeDepth &&
                    (read < 0 || read > kMostExplodeDepth))
                    throw ConvertError("the explosion depth " + std::string(value) +
                                       " is not from 0 to " + std::to_string(kMostExplodeDepth));
                *setting = read;
            } catch (const ConvertError& error) {
                result.error = error.what();
                result.errorLine = i + 2;
                return result;
            }
        }
    }
    return result;
}

} // namespace dorvanel
