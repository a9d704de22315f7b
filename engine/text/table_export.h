// SPDX-License-Identifier: MIT
// A table written out whole, streamed through a buffer so that it never exists as one text:
// as the listing shows it, or as comma-separated values with the shares of every total.
#pragma once

#include "distribution.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string_view>

namespace dorvanel {

// Takes each stretch of text in order; throws to stop the export.
using TextSink = std::function<void(std::string_view text)>;

struct ExportControl {
    ProgressCallback onProgress;               // the share of the lines written, twice over
    const std::atomic<bool>* cancel = nullptr; // checked at every line: AnalysisCancelled
};

// Every line of the listing, each ended by "\n".
void WriteListingText(const DistributionTable& table, const TextSink& sink,
                      const ExportControl& control = {});

// "total,count,probability,at_most,at_least", then one row per possible total: the count
// exact, the shares of all outcomes with 17 significant digits.
void WriteCsv(const DistributionTable& table, const TextSink& sink,
              const ExportControl& control = {});

// The size of what each writes, from the counts' digit counts alone, without reading a count:
// the listing's exactly, the values' to within a few bytes a row, their shares being estimated.
std::uint64_t ListingTextBytes(const DistributionTable& table);
std::uint64_t CsvBytesEstimate(const DistributionTable& table);

} // namespace dorvanel
