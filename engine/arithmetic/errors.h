// SPDX-License-Identifier: MIT
// The failures the engine reports. Each is its own type so that a caller can tell a silent
// stop from an error worth a message, and a refused size from a cancelled run.
#pragma once

#include <atomic>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace dorvanel {

// Ends a command without any message: fewer than one die, or no totals at all.
class SilentAbort : public std::exception {
public:
    const char* what() const noexcept override { return "Operation aborted"; }
};

// A run stopped by its cancellation flag; whatever it had computed is discarded.
class AnalysisCancelled : public std::exception {
public:
    const char* what() const noexcept override { return "Analysis cancelled"; }
};

// Throws AnalysisCancelled once the flag, where there is one, is raised.
inline void ThrowIfCancelled(const std::atomic<bool>* cancel) {
    if (cancel && cancel->load(std::memory_order_relaxed))
        throw AnalysisCancelled();
}

// A 32-bit signed result that does not fit.
class IntegerOverflowError : public std::overflow_error {
public:
    IntegerOverflowError() : std::overflow_error("Integer overflow") {}
};

// Text that is not a number of the expected kind.
class ConvertError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// Overflow, division by zero or an invalid operation in floating-point arithmetic.
class FloatingPointError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An index outside the bounds of a table.
class RangeCheckError : public std::out_of_range {
public:
    RangeCheckError() : std::out_of_range("Range check error") {}
};

// The table of counts would not fit in the memory the machine has free.
class InsufficientMemoryError : public std::runtime_error {
public:
    // `analysis` names what was to be counted: "3 dice of 6 faces", "3d6 + 2d8".
    InsufficientMemoryError(const std::string& analysis, std::uint64_t bytesNeeded,
                            std::uint64_t bytesAvailable);

    std::uint64_t bytesNeeded() const { return bytesNeeded_; }
    std::uint64_t bytesAvailable() const { return bytesAvailable_; }

private:
    std::uint64_t bytesNeeded_;
    std::uint64_t bytesAvailable_;
};

// A pool beyond what can be counted exactly in reasonable time or within 64-bit coefficients.
class PoolLimitError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A broken invariant of the computation, caught before it could corrupt memory or give a wrong
// count: the run stops with a message that names what broke.
class InternalError : public std::logic_error {
public:
    explicit InternalError(const std::string& what) : std::logic_error("Internal error: " + what) {}
};

// "1.5 GB", "730.2 MB", "12 KB": a byte count the way a message shows it.
std::string DescribeBytes(std::uint64_t bytes);

// What was typed, fit to quote in a one-line message that may go to a terminal: control
// characters and bytes that are not UTF-8 shown as escapes ("\n", "\x1B"), and a text too
// long for a message cut to the part around byte `at`, with an ellipsis where it was cut.
std::string QuotedInput(std::string_view text, std::size_t at = 0);

} // namespace dorvanel
