// SPDX-License-Identifier: MIT
// A file that takes the place of the one under its name only when all of it has reached the
// disk; until then, and after any failure, the old file stays as it was. The window's side of
// AtomicFile: the same rules as the settings file, with the reasons as text for the window.
#pragma once

#include "atomic_write.h"

#include <QString>

#include <optional>
#include <string_view>

namespace dorvanel {

class WholeFile {
public:
    explicit WholeFile(const QString& path) : path_(path) {}

    // Each false on failure, with Reason() telling why; a failure gives up the file.
    bool Open();
    bool Write(std::string_view data);
    // Flushed to disk, then put in place.
    bool Commit();

    const QString& Reason() const { return reason_; }

private:
    template <typename Step> bool Run(Step step);

    QString path_;
    std::optional<AtomicFile> file_;
    QString reason_;
};

} // namespace dorvanel
