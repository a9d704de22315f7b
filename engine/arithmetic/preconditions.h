// SPDX-License-Identifier: MIT
// What a limb kernel's caller promises, checked in debug and sanitizer builds: a broken promise
// stops the program where it is broken, before a wrong count or a write out of place. Release
// builds trust the callers, which the tests run in those builds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace dorvanel {

[[noreturn]] inline void BrokenPrecondition(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: a limb kernel was called without %s\n", file, line, condition);
    std::abort();
}

// Whether n elements from `a` and m from `b` share no byte.
template <typename T, typename U> bool Apart(const T* a, std::size_t n, const U* b, std::size_t m) {
    const auto* x = reinterpret_cast<const unsigned char*>(a);
    const auto* y = reinterpret_cast<const unsigned char*>(b);
    const std::less<const unsigned char*> before;
    return !before(x, y + m * sizeof(U)) || !before(y, x + n * sizeof(T));
}

} // namespace dorvanel

#if !defined(NDEBUG) || defined(DORVANEL_SANITIZED)
#define DORVANEL_EXPECTS(condition)                                                                \
    ((condition) ? void() : ::dorvanel::BrokenPrecondition(#condition, __FILE__, __LINE__))
#else
#define DORVANEL_EXPECTS(condition) void()
#endif
