// SPDX-License-Identifier: MIT
#include "table_export.h"

#include "errors.h"
#include "report.h"

#include <cstring>
#include <string>
#include <vector>

namespace dorvanel {
namespace {

constexpr std::size_t kBufferBytes = std::size_t{4} << 20;
constexpr int kShareDigits = 17;
constexpr std::string_view kCsvHeading = "total,count,probability,at_most,at_least\n";
// A share as a row shows it, on average: up to 17 significant digits after "0." or before an
// exponent, fewer where the trailing ones are zeros.
constexpr std::uint64_t kShareBytesEstimate = 18;

// Gathers text and hands it on in large pieces.
class Buffered {
public:
    explicit Buffered(const TextSink& sink) : sink_(sink) { buffer_.reserve(kBufferBytes); }

    // Room for `bytes` more, written through the pointer returned.
    char* Reserve(std::size_t bytes) {
        if (buffer_.size() + bytes > kBufferBytes)
            Flush();
        const std::size_t at = buffer_.size();
        buffer_.resize(at + bytes);
        return buffer_.data() + at;
    }
    void Append(std::string_view text) {
        std::memcpy(Reserve(text.size()), text.data(), text.size());
    }
    void Flush() {
        if (!buffer_.empty())
            sink_(std::string_view(buffer_.data(), buffer_.size()));
        buffer_.clear();
    }

private:
    const TextSink& sink_;
    std::vector<char> buffer_;
};

// Calls `line(i, out)` for each line, with cancellation and progress.
template <typename WriteLine>
void WriteLines(std::int64_t lines, const ExportControl& control, const WriteLine& writeLine) {
    const std::int64_t step = lines / 1000 + 1;
    for (std::int64_t i = 0; i < lines; ++i) {
        ThrowIfCancelled(control.cancel);
        writeLine(i);
        if (control.onProgress && i % step == 0)
            control.onProgress(static_cast<double>(i) / static_cast<double>(lines),
                               static_cast<double>(i % (step * 10)) /
                                   static_cast<double>(step * 10));
    }
    if (control.onProgress)
        control.onProgress(1.0, 1.0);
}

} // namespace

void WriteListingText(const DistributionTable& table, const TextSink& sink,
                      const ExportControl& control) {
    const Listing listing(table, control.cancel);
    Buffered out(sink);
    WriteLines(listing.LineCount(), control, [&](std::int64_t line) {
        char* text = out.Reserve(listing.LineLength(line) + 1);
        text[listing.WriteLine(line, text)] = '\n';
    });
    out.Flush();
}

void WriteCsv(const DistributionTable& table, const TextSink& sink, const ExportControl& control) {
    CountReader reader(table, control.cancel);
    Buffered out(sink);
    out.Append(kCsvHeading);
    const std::int64_t lines =
        table.empty() ? 0 : std::int64_t{table.MaxValue()} - table.MinValue() + 1;
    WriteLines(lines, control, [&](std::int64_t line) {
        const std::int64_t total = table.MinValue() + line;
        out.Append(std::to_string(total));
        out.Append(",");
        char* digits = out.Reserve(table.DigitCount(total));
        WriteDigits(reader.Count(total), digits);
        out.Append(",");
        out.Append(table.Share(total).Format(kShareDigits));
        out.Append(",");
        out.Append(table.AtMostShare(total).Format(kShareDigits));
        out.Append(",");
        out.Append(table.AtLeastShare(total).Format(kShareDigits));
        out.Append("\n");
    });
    out.Flush();
}

std::uint64_t ListingTextBytes(const DistributionTable& table) {
    const Listing listing(table);
    std::uint64_t bytes = 0;
    for (std::int64_t line = 0; line < listing.LineCount(); ++line)
        bytes += listing.LineLength(line) + 1;
    return bytes;
}

std::uint64_t CsvBytesEstimate(const DistributionTable& table) {
    std::uint64_t bytes = kCsvHeading.size();
    if (table.empty())
        return bytes;
    for (std::int64_t total = table.MinValue(); total <= table.MaxValue(); ++total)
        bytes += std::to_string(total).size() + table.DigitCount(total) + 3 * kShareBytesEstimate +
                 5; // four commas and the line break
    return bytes;
}

} // namespace dorvanel
