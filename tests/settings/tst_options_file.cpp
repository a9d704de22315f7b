// SPDX-License-Identifier: MIT
#include "atomic_write.h"
#include "file_size_limit.h"
#include "line_text.h"
#include "lines_support.h"
#include "options_file.h"
#include "settings_error.h"
#include "settings_lines.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <optional>

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace dorvanel;
using dorvanel::testing::FileSizeLimit;

Q_DECLARE_METATYPE(dorvanel::SaveStep)

namespace {

QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

void Put(const QString& path, const QByteArray& data) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(data), data.size());
}

// The error's message, or "" when the call succeeds.
template <typename Call> QString ErrorOf(Call call) {
    try {
        call();
    } catch (const SettingsFileError& error) {
        return error.what();
    }
    return {};
}

// Root writes whatever the permission bits say, so as root the cases that depend on them run as
// this ordinary user instead.
constexpr uid_t kNobody = 65534;

// The error `call` gives to nobody, or "" when it succeeds, run by root in a child process that
// has become nobody.
QString ErrorAsNobody(const std::function<void()>& call) {
    int channel[2];
    if (::pipe(channel) != 0)
        return "(no pipe)";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            ::_exit(2);
        const QByteArray message = ErrorOf(call).toUtf8();
        const bool written = ::write(channel[1], message.data(), message.size()) == message.size();
        ::_exit(written ? 0 : 3);
    }
    ::close(channel[1]);
    QByteArray message;
    char buffer[512];
    for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        message.append(buffer, got);
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "(the child process failed)";
    return QString::fromUtf8(message);
}

// The error `call` gives to the owner of `dir`, or "" when it succeeds. As root, `dir` and all in
// it are handed to nobody and the call runs as nobody.
QString ErrorAsOwner(const QString& dir, const std::function<void()>& call) {
    if (::geteuid() != 0)
        return ErrorOf(call);
    const QDir folder(dir);
    for (const QString& entry : folder.entryList(QDir::NoDotAndDotDot | QDir::AllEntries))
        ::lchown(QFile::encodeName(folder.filePath(entry)).constData(), kNobody, kNobody);
    ::chown(QFile::encodeName(dir).constData(), kNobody, kNobody);
    return ErrorAsNobody(call);
}

int Mode(const QString& path) {
    struct stat status {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & 07777 : -1;
}

void ChangeMode(const QString& path, int mode) {
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), static_cast<mode_t>(mode)), 0);
}

constexpr const char* kAnotherUsersLink =
    "it is a symbolic link that belongs to another user, and is not followed";

const QByteArray kDefaultFile =
    "SHOWX\r\nPENCOLOR\r\n65280\r\nFILLCOLOR\r\n16711680\r\nBACKGROUNDCOLOR\r\n0\r\n"
    "GRAPHSTYLE\r\n0\r\n";
const QByteArray kLongerFile = "SHOWY\r\n" + kDefaultFile + "GRAPHSTYLE\r\n1\r\n";

} // namespace

class TestOptionsFile : public QObject {
    Q_OBJECT
private slots:
    void path_data() {
        QTest::addColumn<QString>("dir");
        QTest::addColumn<QString>("path");
        QTest::newRow("directory") << "/home/user"
                                   << "/home/user/options.DAT";
        QTest::newRow("root") << "/"
                              << "//options.DAT";
    }
    void path() {
        QFETCH(QString, dir);
        QFETCH(QString, path);
        QCOMPARE(QString::fromStdString(OptionsFilePath(dir.toStdString())), path);
    }

    void parse_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("lineCount");
        QTest::addColumn<QString>("error");
        const QByteArray line(kMaxOptionsLineLength, 'A');
        // 64 lines of 1024 bytes with their breaks: exactly the limit.
        const QByteArray full = (QByteArray(kMaxOptionsLineLength - 1, 'A') + "\n").repeated(64);
        QTest::newRow("longest line") << "SHOWX\n" + line << 2 << "";
        QTest::newRow("line too long")
            << "SHOWX\n" + line + "A" << 0
            << "The file \"P\" is not a settings file: line 2 is longer than 1024 characters.";
        QTest::newRow("largest file") << full << 64 << "";
    }
    void parse() {
        QFETCH(QByteArray, text);
        QFETCH(int, lineCount);
        QFETCH(QString, error);
        std::vector<std::string> lines;
        QCOMPARE(ErrorOf([&] { lines = ParseOptionsText(text.toStdString(), "P"); }), error);
        QCOMPARE(lines.size(), std::size_t(lineCount));
    }

    void read_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("empty file") << QByteArray() << QStringList{};
        QTest::newRow("only SHOWY, no break") << QByteArray("SHOWY") << QStringList{"SHOWY"};
        QTest::newRow("line breaks of every kind")
            << QByteArray("SHOWY\rGRAPHSTYLE\n1\r\n") << QStringList{"SHOWY", "GRAPHSTYLE", "1"};
    }
    void read() {
        QFETCH(QByteArray, contents);
        QFETCH(QStringList, lines);
        QTemporaryDir dir;
        const QString path = dir.filePath("options.DAT");
        Put(path, contents);
        const auto read = ReadOptionsFile(path.toStdString());
        QVERIFY(read.has_value());
        QCOMPARE(ToStringList(*read), lines);
    }

    void readMissingFile() {
        QTemporaryDir dir;
        QCOMPARE(ReadOptionsFile(dir.filePath("options.DAT").toStdString()), std::nullopt);
    }

    void readRefused_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("error");
        QTest::newRow("directory")
            << "directory"
            << "Cannot read the settings file \"P\": it is not a regular file.";
        QTest::newRow("symbolic link loop")
            << "loop"
            << "Cannot read the settings file \"P\": Too many levels of symbolic links.";
        QTest::newRow("megabytes of text")
            << "large"
            << "The file \"P\" is not a settings file: it is larger than 64 KiB.";
        QTest::newRow("binary data")
            << "binary"
            << "The file \"P\" is not a settings file: it holds binary data.";
    }
    void readRefused() {
        QFETCH(QString, kind);
        QFETCH(QString, error);
        QTemporaryDir dir;
        const QString path = dir.filePath("options.DAT");
        if (kind == "directory")
            QVERIFY(QDir(dir.path()).mkdir("options.DAT"));
        else if (kind == "loop")
            QVERIFY(QFile::link(path, path));
        else if (kind == "large")
            Put(path, QByteArray("SHOWX\r\n").repeated(300'000));
        else
            Put(path, QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
        QCOMPARE(ErrorOf([&] { ReadOptionsFile(path.toStdString()); }), error.replace("P", path));
    }

    void writeReplacesWhole() {
        QTemporaryDir dir;
        const QString path = dir.filePath("options.DAT");
        Put(path, kLongerFile);
        QCOMPARE(ErrorOf([&] { WriteOptionsFile(path.toStdString(), DefaultSettingsLines()); }),
                 QString());
        QCOMPARE(Contents(path), kDefaultFile);
        QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList{"options.DAT"});
    }

    void writeFailureKeepsOldFile_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("target is a directory") << "directory"
                                               << "Is a directory";
        QTest::newRow("missing directory") << "missing"
                                           << "No such file or directory";
        QTest::newRow("write fails midway") << "full"
                                            << "File too large";
        QTest::newRow("no space to rename") << "no space"
                                            << "No space left on device";
    }
    void writeFailureKeepsOldFile() {
        // Chosen to fail for root too, where permission bits stop nothing.
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        QString path = dir.filePath("options.DAT");
        QString kept = path;
        if (kind == "directory") {
            QVERIFY(QDir(dir.path()).mkpath("options.DAT"));
            kept = path + "/inside";
        } else if (kind == "missing") {
            path = dir.filePath("gone/options.DAT");
        }
        Put(kept, "SHOWY\r\n");
        const QStringList before =
            QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries);

        QString error;
        {
            const std::optional<FileSizeLimit> limit =
                kind == "full" ? std::optional<FileSizeLimit>(std::in_place, 20) : std::nullopt;
            const SaveFaults faults = [&](SaveStep step) {
                return kind == "no space" && step == SaveStep::ReplaceByRename ? ENOSPC : 0;
            };
            error = ErrorOf(
                [&] { SaveFile(path.toStdString(), JoinLines(DefaultSettingsLines()), faults); });
        }
        QCOMPARE(error, "Cannot save the settings file \"" + path + "\": " + reason + ".");
        QCOMPARE(Contents(kept), QByteArray("SHOWY\r\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), before);
    }

    // As a direct write would: a file its owner may not write is left as it is, and a writable
    // file in a folder its owner may not write to is written in place. The mode always stays.
    void writeAsTheOwnerMay_data() {
        QTest::addColumn<int>("fileMode"); // -1: no file yet
        QTest::addColumn<int>("dirMode");
        QTest::addColumn<QString>("reason"); // empty: saved
        QTest::newRow("read-only file") << 0444 << 0700 << "Permission denied";
        QTest::newRow("unreadable file") << 0000 << 0700 << "Permission denied";
        QTest::newRow("writable file in a read-only folder") << 0640 << 0500 << "";
        QTest::newRow("no file in a read-only folder") << -1 << 0500 << "Permission denied";
        QTest::newRow("writable file, unusual mode") << 0604 << 0700 << "";
    }
    void writeAsTheOwnerMay() {
        QFETCH(int, fileMode);
        QFETCH(int, dirMode);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = dir.filePath("options.DAT");
        if (fileMode >= 0) {
            Put(path, "SHOWY\r\n");
            ChangeMode(path, fileMode);
        }
        ChangeMode(dir.path(), dirMode);
        const QString error = ErrorAsOwner(
            dir.path(), [&] { WriteOptionsFile(path.toStdString(), DefaultSettingsLines()); });
        ChangeMode(dir.path(), 0700);
        const bool saved = reason.isEmpty();
        QCOMPARE(error, saved ? QString()
                              : "Cannot save the settings file \"" + path + "\": " + reason + ".");
        QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 fileMode >= 0 ? QStringList{"options.DAT"} : QStringList{});
        if (fileMode < 0)
            return;
        QCOMPARE(Mode(path), fileMode);
        ChangeMode(path, 0600);
        QCOMPARE(Contents(path), saved ? kDefaultFile : QByteArray("SHOWY\r\n"));
    }

    // A link is followed as the system follows it, and stays a link; nothing else than a regular
    // file is replaced, and no file is made through a link.
    void writeOnlyWhereItMay_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason"); // empty: written through the link
        QTest::newRow("link to a file") << "link"
                                        << "";
        QTest::newRow("own link in a shared folder") << "own shared link"
                                                     << "";
        QTest::newRow("link to nothing") << "dangling"
                                         << "it is a symbolic link to a file that does not exist";
        QTest::newRow("FIFO") << "fifo"
                              << "it is not a regular file";
        QTest::newRow("link to a device node") << "device"
                                               << "it is not a regular file";
        QTest::newRow("another user's link in a shared folder") << "planted" << kAnotherUsersLink;
    }
    void writeOnlyWhereItMay() {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("kept"));
        const QString path = dir.filePath("options.DAT");
        const QString target = dir.filePath("kept/file");
        const QByteArray encodedPath = QFile::encodeName(path);
        if (kind == "fifo") {
            QCOMPARE(::mkfifo(encodedPath.constData(), 0600), 0);
        } else {
            if (kind == "device") {
                if (::geteuid() != 0)
                    QSKIP("only root makes device nodes");
                if (::mknod(QFile::encodeName(target).constData(), S_IFCHR | 0600, makedev(1, 3)) !=
                    0)
                    QSKIP("no device nodes can be made here");
            } else if (kind != "dangling") {
                Put(target, "SHOWY\r\n");
            }
            QCOMPARE(::symlink("kept/file", encodedPath.constData()), 0);
        }
        if (kind.endsWith("shared link") || kind == "planted")
            ChangeMode(dir.path(), 01777);
        if (kind == "planted") {
            if (::geteuid() != 0)
                QSKIP("only root gives a link to another user");
            QCOMPARE(::lchown(encodedPath.constData(), kNobody, kNobody), 0);
        }
        struct stat before {};
        QCOMPARE(::lstat(encodedPath.constData(), &before), 0);

        const QString error =
            ErrorOf([&] { WriteOptionsFile(path.toStdString(), DefaultSettingsLines()); });
        ChangeMode(dir.path(), 0700);
        QCOMPARE(error, reason.isEmpty()
                            ? QString()
                            : "Cannot save the settings file \"" + path + "\": " + reason + ".");
        struct stat after {};
        QCOMPARE(::lstat(encodedPath.constData(), &after), 0);
        QCOMPARE(after.st_mode & S_IFMT, before.st_mode & S_IFMT);
        if (kind == "device")
            QVERIFY(QFileInfo(target).exists() && !QFileInfo(target).isFile());
        else if (kind == "dangling")
            QVERIFY(!QFileInfo::exists(target));
        else if (kind != "fifo")
            QCOMPARE(Contents(target), reason.isEmpty() ? kDefaultFile : QByteArray("SHOWY\r\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System),
                 (QStringList{"kept", "options.DAT"}));
    }

    // Another user's link is never followed, whatever the folder it lies in: one a group shares,
    // sticky or not, one all may write to, or that user's own. Root's links are.
    void anotherUsersLinkIsNotFollowed_data() {
        QTest::addColumn<int>("dirMode");
        QTest::addColumn<bool>("rootsLink"); // followed by nobody; else nobody's, by root
        QTest::newRow("group's sticky folder") << 01770 << false;
        QTest::newRow("group's folder, new files in its group") << 02775 << false;
        QTest::newRow("folder all may write to, not sticky") << 0777 << false;
        QTest::newRow("the other user's own folder") << 0755 << false;
        QTest::newRow("root's link") << 0755 << true;
    }
    void anotherUsersLinkIsNotFollowed() {
        QFETCH(int, dirMode);
        QFETCH(bool, rootsLink);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("kept"));
        const QString path = dir.filePath("options.DAT");
        const QString target = dir.filePath("kept/file");
        Put(target, "SHOWY\r\n");
        const QByteArray link = QFile::encodeName(path);
        QCOMPARE(::symlink("kept/file", link.constData()), 0);
        const auto owner = [](const QString& file) {
            return ::chown(QFile::encodeName(file).constData(), kNobody, kNobody) == 0;
        };
        if (rootsLink ? !owner(target) || !owner(dir.filePath("kept"))
                      : ::lchown(link.constData(), kNobody, kNobody) != 0 || !owner(dir.path()))
            QSKIP("only root gives files to another user");
        ChangeMode(dir.path(), dirMode);
        const auto save = [&] { WriteOptionsFile(path.toStdString(), DefaultSettingsLines()); };
        const QString error = rootsLink ? ErrorAsNobody(save) : ErrorOf(save);
        QCOMPARE(error, rootsLink ? QString()
                                  : "Cannot save the settings file \"" + path +
                                        "\": " + kAnotherUsersLink + ".");
        QCOMPARE(Contents(target), rootsLink ? kDefaultFile : QByteArray("SHOWY\r\n"));
        QVERIFY(QFileInfo(path).isSymLink());
    }

    // Where no new file may be made beside the old one, however the system says so, the file is
    // written in place.
    void writeInPlaceWhereNoNewFileMayBeMade_data() {
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("reason"); // empty: written in place
        QTest::newRow("permission denied") << EACCES << "";
        QTest::newRow("operation not permitted") << EPERM << "";
        QTest::newRow("no space left") << ENOSPC << "No space left on device";
    }
    void writeInPlaceWhereNoNewFileMayBeMade() {
        QFETCH(int, error);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = dir.filePath("options.DAT");
        Put(path, kLongerFile);
        const SaveFaults refused = [&](SaveStep step) {
            return step == SaveStep::CreateTemporary ? error : 0;
        };
        QCOMPARE(
            ErrorOf([&] { SaveFile(path.toStdString(), kDefaultFile.toStdString(), refused); }),
            reason.isEmpty() ? QString()
                             : "Cannot save the settings file \"" + path + "\": " + reason + ".");
        QCOMPARE(Contents(path), reason.isEmpty() ? kDefaultFile : kLongerFile);
    }

    // Killed at any step of writing in place, the file holds the old text, the new, or the new
    // followed by the rest of the old: never nothing.
    void inPlaceWriteStoppedAtAnyStep_data() {
        QTest::addColumn<SaveStep>("step");
        QTest::newRow("before opening") << SaveStep::OpenInPlace;
        QTest::newRow("before writing") << SaveStep::WriteInPlace;
        QTest::newRow("before cutting") << SaveStep::CutToLength;
        QTest::newRow("before flushing") << SaveStep::FlushInPlace;
    }
    void inPlaceWriteStoppedAtAnyStep() {
        QFETCH(SaveStep, step);
        QTemporaryDir dir;
        const QString path = dir.filePath("options.DAT");
        Put(path, kLongerFile);
        struct Killed {};
        const SaveFaults killed = [&](SaveStep at) {
            if (at == step)
                throw Killed{};
            return at == SaveStep::CreateTemporary ? EACCES : 0;
        };
        try {
            SaveFile(path.toStdString(), kDefaultFile.toStdString(), killed);
            QFAIL("the save was not stopped");
        } catch (const Killed&) {
        }
        const QByteArray left = Contents(path);
        QVERIFY2(left == kLongerFile || left == kDefaultFile ||
                     left == kDefaultFile + kLongerFile.mid(kDefaultFile.size()),
                 left.constData());
    }

    // A file or link put in the place of the one checked, between the check and the opening, is
    // reported and left as it was put there.
    void replacedWhileSavingIsReported_data() {
        QTest::addColumn<SaveStep>("step");
        QTest::newRow("the file, written in place") << SaveStep::OpenInPlace;
        QTest::newRow("a link on the way") << SaveStep::OpenLink;
    }
    void replacedWhileSavingIsReported() {
        QFETCH(SaveStep, step);
        QTemporaryDir dir;
        const QString path = dir.filePath("options.DAT");
        const QString target = dir.filePath("target.DAT");
        Put(target, kLongerFile);
        if (step == SaveStep::OpenLink)
            QVERIFY(QFile::link("target.DAT", path));
        else
            QVERIFY(QFile::rename(target, path));
        const SaveFaults replaced = [&](SaveStep at) {
            if (at == step) {
                const QString theirs = dir.filePath("theirs.DAT");
                Put(theirs, "theirs");
                const QString entry = dir.filePath("new");
                if (step == SaveStep::OpenLink)
                    QFile::link("theirs.DAT", entry);
                else
                    QFile::rename(theirs, entry);
                QFile::remove(path);
                QFile::rename(entry, path);
            }
            return at == SaveStep::CreateTemporary ? EACCES : 0;
        };
        QCOMPARE(
            ErrorOf([&] { SaveFile(path.toStdString(), kDefaultFile.toStdString(), replaced); }),
            "Cannot save the settings file \"" + path +
                "\": it was replaced while it was being saved.");
        QCOMPARE(Contents(path), QByteArray("theirs"));
        if (step == SaveStep::OpenLink)
            QCOMPARE(Contents(target), kLongerFile);
    }

    // Left by saves that were killed: only this program's own, old enough that no save is still
    // writing them, go.
    void staleTemporariesAreRemoved_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("ageSeconds");
        QTest::addColumn<bool>("otherOwner");
        QTest::addColumn<bool>("removed");
        QTest::newRow("old") << "options.DAT.0123456789abcdef.tmp" << 120 << false << true;
        QTest::newRow("a save under way")
            << "options.DAT.0123456789abcdef.tmp" << 0 << false << false;
        QTest::newRow("not our pattern") << "options.DAT.backup.tmp" << 120 << false << false;
        QTest::newRow("another file's")
            << "other.DAT.0123456789abcdef.tmp" << 120 << false << false;
        QTest::newRow("another user's")
            << "options.DAT.0123456789abcdef.tmp" << 120 << true << false;
    }
    void staleTemporariesAreRemoved() {
        QFETCH(QString, name);
        QFETCH(int, ageSeconds);
        QFETCH(bool, otherOwner);
        QFETCH(bool, removed);
        if (otherOwner && ::geteuid() != 0)
            QSKIP("only root gives a file to another user");
        QTemporaryDir dir;
        const QString path = dir.filePath("options.DAT");
        Put(path, "SHOWY\r\n");
        const QByteArray temporary = QFile::encodeName(dir.filePath(name));
        Put(QString::fromUtf8(temporary), "SHOW");
        const timespec times[2] = {{::time(nullptr) - ageSeconds, 0},
                                   {::time(nullptr) - ageSeconds, 0}};
        QCOMPARE(::utimensat(AT_FDCWD, temporary.constData(), times, 0), 0);
        if (otherOwner)
            QCOMPARE(::chown(temporary.constData(), kNobody, kNobody), 0);
        RemoveStaleTemporaries(path.toStdString());
        QCOMPARE(QFileInfo::exists(QString::fromUtf8(temporary)), !removed);
        QCOMPARE(Contents(path), QByteArray("SHOWY\r\n"));
    }
};

QTEST_APPLESS_MAIN(TestOptionsFile)
#include "tst_options_file.moc"
