// SPDX-License-Identifier: MIT
#include "errors.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace dorvanel {

std::string DescribeBytes(std::uint64_t bytes) {
    static constexpr std::array<const char*, 5> units{"bytes", "KB", "MB", "GB", "TB"};
    double value = static_cast<double>(bytes);
    std::size_t unit = 0;
    while (value >= 1000.0 && unit + 1 < units.size()) {
        value /= 1000.0;
        ++unit;
    }
    char text[32];
    if (unit == 0)
        std::snprintf(text, sizeof text, "%llu bytes", static_cast<unsigned long long>(bytes));
    else
        std::snprintf(text, sizeof text, "%.1f %s", value, units[unit]);
    return text;
}

namespace {

// Bytes of the typed text a message quotes at most, and of those before the place at fault.
constexpr std::size_t kQuotedBytes = 80;
constexpr std::size_t kQuotedBefore = 40;

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// The length of the well-formed UTF-8 character at `text[i]` and its code point; 0 when the
// bytes there are not one (overlong forms and surrogates included).
std::size_t Utf8Character(std::string_view text, std::size_t i, char32_t& code) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
        code = lead;
        return 1;
    }
    std::size_t length = 0;
    char32_t lowest = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        lowest = 0x80;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        lowest = 0x800;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        lowest = 0x10000;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > text.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const auto byte = static_cast<unsigned char>(text[i + k]);
        if (!IsContinuation(byte))
            return 0;
        code = code << 6 | (byte & 0x3F);
    }
    if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

void AppendEscaped(std::string& out, std::string_view text) {
    char escape[12];
    for (std::size_t i = 0; i < text.size();) {
        char32_t code = 0;
        const std::size_t length = Utf8Character(text, i, code);
        if (length == 0) {
            std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned char>(text[i]));
            out += escape;
            ++i;
            continue;
        }
        if (code == '\n')
            out += "\\n";
        else if (code == '\t')
            out += "\\t";
        else if (code == '\r')
            out += "\\r";
        else if (code < 0x20 || code == 0x7F) {
            std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned>(code));
            out += escape;
        } else if (code >= 0x80 && code < 0xA0) {
            std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(code));
            out += escape;
        } else {
            out += text.substr(i, length);
        }
        i += length;
    }
}

} // namespace

std::string QuotedInput(std::string_view text, std::size_t at) {
    std::size_t first = 0;
    std::size_t end = text.size();
    if (text.size() > kQuotedBytes) {
        first = std::min(at > kQuotedBefore ? at - kQuotedBefore : 0, text.size() - kQuotedBytes);
        end = first + kQuotedBytes;
        // Whole characters only.
        while (first > 0 && IsContinuation(static_cast<unsigned char>(text[first])))
            --first;
        while (end < text.size() && IsContinuation(static_cast<unsigned char>(text[end])))
            ++end;
    }
    std::string quoted = first > 0 ? "…" : "";
    AppendEscaped(quoted, text.substr(first, end - first));
    if (end < text.size())
        quoted += "…";
    return quoted;
}

InsufficientMemoryError::InsufficientMemoryError(const std::string& analysis,
                                                 std::uint64_t bytesNeeded,
                                                 std::uint64_t bytesAvailable)
    : std::runtime_error("Not enough memory for " + analysis +
                         ": the table of counts needs about " + DescribeBytes(bytesNeeded) +
                         ", and only " + DescribeBytes(bytesAvailable) + " can be used."),
      bytesNeeded_(bytesNeeded), bytesAvailable_(bytesAvailable) {}

} // namespace dorvanel
