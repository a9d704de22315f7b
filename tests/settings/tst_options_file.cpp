#include "lines_support.h"
#include "options_file.h"
#include "settings_error.h"
#include "settings_lines.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <optional>

#include <sys/resource.h>

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
};

QTEST_APPLESS_MAIN(TestOptionsFile)
#include "tst_options_file.moc"
