// SPDX-License-Identifier: MIT
#include "whole_file.h"

#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace dorvanel {
namespace {

// Small pieces are gathered into writes of this size.
constexpr std::size_t kWriteSize = 64 * 1024;

} // namespace

bool WholeFile::Open() {
    if (file_.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return true;
    reason_ = file_.errorString();
    return false;
}

bool WholeFile::Write(std::string_view data) {
    pending_ += data;
    return pending_.size() < kWriteSize || WritePending();
}

bool WholeFile::WritePending() {
    std::string_view left = pending_;
    while (!left.empty()) {
        const ssize_t written = ::write(file_.handle(), left.data(), left.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0) {
            reason_ = QString::fromLocal8Bit(std::strerror(errno));
            return false;
        }
        left.remove_prefix(static_cast<std::size_t>(written));
    }
    pending_.clear();
    return true;
}

bool WholeFile::Commit() {
    if (!WritePending())
        return false;
    if (::fsync(file_.handle()) != 0) {
        reason_ = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    if (file_.commit())
        return true;
    reason_ = file_.errorString();
    return false;
}

} // namespace dorvanel
