// SPDX-License-Identifier: MIT
#include "lines_support.h"
#include "options_file.h"
#include "settings_error.h"
#include "settings_lines.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <functional>
#include <optional>

#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace dorvanel;

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

// The error `call` gives to the owner of `dir`, or "" when it succeeds. As root, `dir` and all in
// it are handed to nobody and the call runs in a child process that has become nobody.
QString ErrorAsOwner(const QString& dir, const std::function<void()>& call) {
    if (::geteuid() != 0)
        return ErrorOf(call);
    const QDir folder(dir);
    for (const QString& entry : folder.entryList(QDir::NoDotAndDotDot | QDir::AllEntries))
        ::lchown(QFile::encodeName(folder.filePath(entry)).constData(), kNobody, kNobody);
    ::chown(QFile::encodeName(dir).constData(), kNobody, kNobody);
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

int Mode(const QString& path) {
    struct stat status {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & 07777 : -1;
}

void ChangeMode(const QString& path, int mode) {
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), static_cast<mode_t>(mode)), 0);
}

// Lets writes beyond `bytes` fail with EFBIG, as a full disk would, while it lives.
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

private:
    rlimit saved_{};
    void (*oldHandler_)(int);
};

const QByteArray kDefaultFile =
    "SHOWX\r\nPENCOLOR\r\n65280\r\nFILLCOLOR\r\n16711680\r\nBACKGROUNDCOLOR\r\n0\r\n"
    "GRAPHSTYLE\r\n0\r\n";

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
        Put(path, "SHOWY\r\n" + kDefaultFile + "GRAPHSTYLE\r\n1\r\n");
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
            error = ErrorOf([&] { WriteOptionsFile(path.toStdString(), DefaultSettingsLines()); });
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

    // The link stays a link; the file it points to is written, or made when it does not exist.
    void writeFollowsLinks_data() {
        QTest::addColumn<bool>("targetExists");
        QTest::newRow("link to a file") << true;
        QTest::newRow("link to a file not yet made") << false;
    }
    void writeFollowsLinks() {
        QFETCH(bool, targetExists);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("kept"));
        const QString target = dir.filePath("kept/options.DAT");
        if (targetExists)
            Put(target, "SHOWY\r\n");
        const QString link = dir.filePath("options.DAT");
        QCOMPARE(::symlink("kept/options.DAT", QFile::encodeName(link).constData()), 0);
        QCOMPARE(ErrorOf([&] { WriteOptionsFile(link.toStdString(), DefaultSettingsLines()); }),
                 QString());
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(Contents(target), kDefaultFile);
        QCOMPARE(QDir(dir.filePath("kept")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList{"options.DAT"});
    }
};

QTEST_APPLESS_MAIN(TestOptionsFile)
#include "tst_options_file.moc"
