// SPDX-License-Identifier: MIT
// The memory a run may use under control-group limits, read from files laid out in a folder the
// way the system lays them out.
#include "memory_limits.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace dorvanel;

namespace {

constexpr qlonglong kMiB = 1 << 20;

const QByteArray kVersion2Mount = "30 22 0:26 / /sys/fs/cgroup rw,nosuid - cgroup2 cgroup2 rw\n";
const QByteArray kVersion1Mounts =
    "31 30 0:28 / /sys/fs/cgroup/cpu rw,relatime - cgroup cgroup rw,cpu\n"
    "34 30 0:31 / /sys/fs/cgroup/memory rw,relatime - cgroup cgroup rw,memory\n";

// The process's groups, the mount table and "path=contents" files, under `root`.
void LayOut(const QString& root, const QByteArray& groups, const QByteArray& mounts,
            const QStringList& files) {
    // 64 GiB available unless the files say otherwise.
    QStringList all{"proc/meminfo=MemTotal: 134217728 kB\nMemAvailable: 67108864 kB\n"};
    all << files << "proc/self/cgroup=" + QString::fromLatin1(groups)
        << "proc/self/mountinfo=" + QString::fromLatin1(mounts);
    for (const QString& entry : all) {
        const QString path = root + "/" + entry.section('=', 0, 0);
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(entry.section('=', 1).toLatin1());
    }
}

} // namespace

class TestMemoryLimits : public QObject {
    Q_OBJECT
private slots:
    // The smallest limit less what is used, from the process's group up; -1 for none.
    void headroom_data() {
        QTest::addColumn<QByteArray>("groups");
        QTest::addColumn<QByteArray>("mounts");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<qlonglong>("headroom");
        const QString app = "sys/fs/cgroup/user.slice/app.scope/";
        const QString slice = "sys/fs/cgroup/user.slice/";
        QTest::newRow("version 2")
            << QByteArray("0::/user.slice/app.scope\n") << kVersion2Mount
            << QStringList{app + "memory.max=1073741824\n", app + "memory.current=268435456\n",
                           slice + "memory.max=max\n", slice + "memory.current=300000000\n"}
            << 768 * kMiB;
        QTest::newRow("version 2, a tighter group above")
            << QByteArray("0::/user.slice/app.scope\n") << kVersion2Mount
            << QStringList{app + "memory.max=1073741824\n", app + "memory.current=268435456\n",
                           slice + "memory.max=536870912\n", slice + "memory.current=419430400\n"}
            << 112 * kMiB;
        QTest::newRow("version 2, a looser group above")
            << QByteArray("0::/user.slice/app.scope\n") << kVersion2Mount
            << QStringList{app + "memory.max=1073741824\n", app + "memory.current=268435456\n",
                           slice + "memory.max=4294967296\n", slice + "memory.current=0\n"}
            << 768 * kMiB;
        QTest::newRow("version 2, a mount showing the group itself")
            << QByteArray("0::/docker/abc\n")
            << QByteArray("30 22 0:26 /docker/abc /sys/fs/cgroup rw - cgroup2 cgroup2 rw\n")
            << QStringList{"sys/fs/cgroup/memory.max=1073741824\n",
                           "sys/fs/cgroup/memory.current=268435456\n"}
            << 768 * kMiB;
        // A group whose name merely begins with the mount's root is not under it.
        QTest::newRow("version 2, a group beside the mount's")
            << QByteArray("0::/docker/abcd\n")
            << QByteArray("30 22 0:26 /docker/abc /sys/fs/cgroup rw - cgroup2 cgroup2 rw\n")
            << QStringList{"sys/fs/cgroup/memory.max=1073741824\n",
                           "sys/fs/cgroup/memory.current=268435456\n",
                           "sys/fs/cgroupd/memory.max=2147483648\n",
                           "sys/fs/cgroupd/memory.current=0\n"}
            << 768 * kMiB;
        const QString group = "sys/fs/cgroup/memory/batch/";
        const QString top = "sys/fs/cgroup/memory/";
        QTest::newRow("version 1")
            << QByteArray("9:cpu:/\n4:memory:/batch\n0::/\n") << kVersion1Mounts
            << QStringList{group + "memory.limit_in_bytes=1073741824\n",
                           group + "memory.usage_in_bytes=268435456\n",
                           top + "memory.limit_in_bytes=9223372036854771712\n",
                           top + "memory.usage_in_bytes=5000000000\n"}
            << 768 * kMiB;
        QTest::newRow("version 1, no limit")
            << QByteArray("4:memory:/batch\n") << kVersion1Mounts
            << QStringList{group + "memory.limit_in_bytes=9223372036854771712\n",
                           group + "memory.usage_in_bytes=268435456\n"}
            << qlonglong{-1};
        QTest::newRow("no control groups")
            << QByteArray() << QByteArray() << QStringList{} << qlonglong{-1};
    }
    void headroom() {
        QFETCH(QByteArray, groups);
        QFETCH(QByteArray, mounts);
        QFETCH(QStringList, files);
        QFETCH(qlonglong, headroom);
        QTemporaryDir root;
        LayOut(root.path(), groups, mounts, files);
        const std::optional<std::uint64_t> found = ControlGroupHeadroom(root.path().toStdString());
        QCOMPARE(found ? qlonglong(*found) : -1, headroom);
    }

    // In a group with little left on a machine with 64 GiB free, a run may take what the group
    // allows less room for the rest of the process: a quarter, at least 64 MiB, at most half.
    void budgetStaysWithinTheGroup_data() {
        QTest::addColumn<qlonglong>("headroom");
        QTest::addColumn<qlonglong>("usable");
        QTest::newRow("a quarter kept") << 768 * kMiB << 576 * kMiB;
        QTest::newRow("at least 64 MiB kept") << 200 * kMiB << 136 * kMiB;
        QTest::newRow("at most half kept") << 40 * kMiB << 20 * kMiB;
    }
    void budgetStaysWithinTheGroup() {
        QFETCH(qlonglong, headroom);
        QFETCH(qlonglong, usable);
        QTemporaryDir root;
        const QString app = "sys/fs/cgroup/app.scope/";
        LayOut(root.path(), "0::/app.scope\n", kVersion2Mount,
               {app + "memory.max=" + QString::number(headroom + 256 * kMiB) + "\n",
                app + "memory.current=" + QString::number(256 * kMiB) + "\n"});
        const std::string at = root.path().toStdString();
        QCOMPARE(UsableMemory(at), std::optional<std::uint64_t>(usable));
        const std::optional<std::uint64_t> budget = DefaultMemoryBudget(at);
        QVERIFY(budget && *budget <= static_cast<std::uint64_t>(usable));
    }

    // Without a control group's limit a run leaves the desktop a quarter of the available
    // memory, and at least 1 GiB.
    void budgetLeavesTheDesktopItsShare_data() {
        QTest::addColumn<qlonglong>("available");
        QTest::addColumn<qlonglong>("usable");
        QTest::newRow("a quarter left") << 8192 * kMiB << 6144 * kMiB;
        QTest::newRow("at least 1 GiB left") << 3072 * kMiB << 2048 * kMiB;
        QTest::newRow("less than 1 GiB") << 768 * kMiB << qlonglong{0};
    }
    void budgetLeavesTheDesktopItsShare() {
        QFETCH(qlonglong, available);
        QFETCH(qlonglong, usable);
        QTemporaryDir root;
        LayOut(root.path(), {}, {},
               {"proc/meminfo=MemAvailable: " + QString::number(available / 1024) + " kB\n"});
        QCOMPARE(UsableMemory(root.path().toStdString()), std::optional<std::uint64_t>(usable));
    }
};

QTEST_APPLESS_MAIN(TestMemoryLimits)
#include "tst_memory_limits.moc"
