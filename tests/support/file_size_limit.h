// SPDX-License-Identifier: MIT
// Writes beyond a size failing as on a full disk, for the whole test process while it lives.
#pragma once

#include <csignal>

#include <sys/resource.h>

namespace dorvanel::testing {

// Writes past `bytes` into any file fail with EFBIG instead of the process being signalled.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*oldHandler_)(int);
};

} // namespace dorvanel::testing
