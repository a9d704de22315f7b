// SPDX-License-Identifier: MIT
// A file that takes the place of the one under its name only when all of it has reached the
// disk; until then, and after any failure, the old file stays as it was.
#pragma once

#include <QSaveFile>
#include <QString>

#include <string>
#include <string_view>

namespace dorvanel {

// QSaveFile makes the new file beside the old and renames it over it. The writes are made and
// checked here: Qt 6.4 renames even when its last buffered write failed as the file closed (on a
// full disk, leaving an empty file in the old one's place), and loses the reason of a write that
// was cut short.
class WholeFile {
public:
    explicit WholeFile(const QString& path) : file_(path) {}

    // Each false on failure, with Reason() telling the system's reason.
    bool Open();
    bool Write(std::string_view data);
    // Flushed to disk, then put in place.
    bool Commit();

    const QString& Reason() const { return reason_; }

private:
    bool WritePending();

    QSaveFile file_;
    std::string pending_;
    QString reason_;
};

} // namespace dorvanel
