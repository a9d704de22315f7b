// SPDX-License-Identifier: MIT
#include <QProcess>
#include <QTest>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

namespace {

struct Run {
    int exitCode;
    QByteArray out;
    QByteArray err;
};

Run RunTool(const QStringList& arguments) {
    QProcess process;
    process.start(DORVANEL_REPORT_TOOL, arguments);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000))
        qFatal("dorvanel-report did not finish");
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

// `count` dice of `faces` faces, the `kept` highest added, and a constant: every total's count
// over every roll, one by one.
struct SmallPool {
    int count = 0;
    int faces = 1;
    int kept = 0;
    int constant = 0;
};

std::map<int, std::uint64_t> EveryRoll(const SmallPool& pool) {
    std::map<int, std::uint64_t> counts;
    std::vector<int> dice(static_cast<std::size_t>(pool.count), 1);
    for (;;) {
        std::vector<int> sorted = dice;
        std::sort(sorted.rbegin(), sorted.rend());
        int total = pool.constant;
        for (int i = 0; i < pool.kept; ++i)
            total += sorted[static_cast<std::size_t>(i)];
        ++counts[total];
        std::size_t i = 0;
        while (i < dice.size() && dice[i] == pool.faces)
            dice[i++] = 1;
        if (i == dice.size())
            return counts;
        ++dice[i];
    }
}

} // namespace

Q_DECLARE_METATYPE(SmallPool)

class TestReportTool : public QObject {
    Q_OBJECT
private slots:
    void fullReport() {
        const Run run = RunTool({"3", "6"});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.err, QByteArray());
        QCOMPARE(run.out,
                 QByteArray("Total Possible Rolls: 216\n"
                            "Min.: 3    Max.: 18\n"
                            "Value: 10.5\n"
                            "Value Possibilities: 27\n"
                            "Probability of Value: 12.5%\n"
                            " 3: 1\n 4: 3\n 5: 6\n 6: 10\n 7: 15\n 8: 21\n 9: 25\n10: 27\n"
                            "11: 27\n12: 25\n13: 21\n14: 15\n15: 10\n16: 6\n17: 3\n18: 1\n"));
    }

    void csv() {
        const Run run = RunTool({"--csv", "3", "6"});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.startsWith("total,count,probability,at_most,at_least\n3,1,"));
        QVERIFY(run.out.contains("\n10,27,0.125,0.5,0.625\n"));
        QCOMPARE(run.out.count('\n'), 17);
    }

    void summaryOnly() {
        const Run run = RunTool({"--summary", "10", "6"});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QByteArray("Total Possible Rolls: 60466176\n"
                                     "Min.: 10    Max.: 60\n"
                                     "Value: 35\n"
                                     "Value Possibilities: 4395456\n"
                                     "Probability of Value: 7.269%\n"));
    }

    // How a pool is read, and where its explosions stop, at the depth asked for.
    void explainedAndSummarised_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("out");
        QTest::newRow("explain a keep") << QStringList{"--explain", "4d6k3"}
                                        << "4d6kh3: 4 six-sided dice, the 3 highest added\n";
        QTest::newRow("explain counts of exploding dice")
            << QStringList{"--explain", "10d10!10>=8f1"}
            << "10d10!10>=8f1: 10 ten-sided dice, a 10 rolls again; each roll of 8 or more "
               "counts 1, each 1 counts \u22121\nexplosions stop after 10 extra rolls; 1 die in "
               "10000000000 gets that far\n";
        QTest::newRow("stats") << QStringList{"--stats", "4d6kh3"}
                               << "Mean: 12.2445987654321 (15869/1296)\n"
                                  "Standard deviation: 2.84684\nMedian: 12\nMost likely: 13\n"
                                  "Percentiles: 5 %: 7, 25 %: 10, 75 %: 14, 95 %: 17\n";
        QTest::newRow("summary at depth 2")
            << QStringList{"--summary", "--explode-depth", "2", "3d10!>=8"}
            << "Total Possible Rolls: 1000000000\nMin.: 3    Max.: 90\nValue: 22.935\n"
               "Value Possibilities: 33780000\nProbability of Value: 3.378%\n"
               "explosions stop after 2 extra rolls; 1 die in 11.1 gets that far\n";
    }
    void explainedAndSummarised() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, out);
        const Run run = RunTool(arguments);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(QString::fromUtf8(run.out), out);
    }

    void listingOfALargeRun() {
        const Run run = RunTool({"300", "100"});
        QCOMPARE(run.exitCode, 0);
        const QList<QByteArray> lines = run.out.split('\n');
        QCOMPARE(lines.size(), 5 + (30000 - 300 + 1) + 1); // and the final newline
        QCOMPARE(lines[5], QByteArray("  300: 1"));
        QCOMPARE(lines[5 + 29700], QByteArray("30000: 1"));
        QVERIFY(lines[5 + 1].startsWith("  301: 300"));
    }

    // A table forced into checkpoints lists exactly what the whole one does, the upper half
    // read back through the checkpoints; a limit beyond what can be used is lowered, and says so.
    void memoryLimit_data() {
        QTest::addColumn<QString>("limit");
        QTest::addColumn<QString>("note");
        QTest::newRow("one byte: checkpoints") << "1"
                                               << "";
        QTest::newRow("beyond the machine")
            << "9999999999999999999"
            << "dorvanel-report: --memory-limit is more than can be used; using ";
    }
    void memoryLimit() {
        QFETCH(QString, limit);
        QFETCH(QString, note);
        const Run whole = RunTool({"60", "36"});
        const Run limited = RunTool({"--memory-limit", limit, "60", "36"});
        QCOMPARE(limited.exitCode, 0);
        QCOMPARE(limited.out, whole.out);
        const QString err = QString::fromUtf8(limited.err);
        QVERIFY2(note.isEmpty() ? err.isEmpty() : err.startsWith(note) && err.count('\n') == 1,
                 qPrintable(err));
    }

    // A against B over every pair of rolls, the pools named as the notation writes them, each
    // share cut to three decimals.
    void versus_data() {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<SmallPool>("rollsA");
        QTest::addColumn<SmallPool>("rollsB");
        QTest::addColumn<QString>("nameA");
        QTest::addColumn<QString>("nameB");
        QTest::newRow("4d6 drop lowest against 3d6")
            << "4d6dl1"
            << "3d6" << SmallPool{4, 6, 3, 0} << SmallPool{3, 6, 3, 0} << "4d6dl1"
            << "3d6";
        QTest::newRow("sizes apart, a constant")
            << "2d8 + 1"
            << "3d6" << SmallPool{2, 8, 2, 1} << SmallPool{3, 6, 3, 0} << "2d8 + 1"
            << "3d6";
        QTest::newRow("against a target")
            << "d20"
            << "11" << SmallPool{1, 20, 1, 0} << SmallPool{0, 1, 0, 11} << "1d20"
            << "11";
    }
    void versus() {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(SmallPool, rollsA);
        QFETCH(SmallPool, rollsB);
        QFETCH(QString, nameA);
        QFETCH(QString, nameB);
        std::uint64_t higher = 0, ties = 0, lower = 0;
        for (const auto& [totalA, countA] : EveryRoll(rollsA))
            for (const auto& [totalB, countB] : EveryRoll(rollsB))
                (totalA > totalB ? higher : totalA == totalB ? ties : lower) += countA * countB;
        const std::uint64_t all = higher + ties + lower;
        auto line = [all](const QString& relation, std::uint64_t count) {
            const std::uint64_t thousandths = count * 100000 / all;
            QString percent = QString::number(thousandths / 1000);
            if (thousandths % 1000 != 0)
                percent += "." + QString::number(thousandths % 1000).rightJustified(3, '0');
            while (percent.contains('.') && percent.endsWith('0'))
                percent.chop(1);
            return QString("%1: %2 of %3 (%4 %)\n").arg(relation).arg(count).arg(all).arg(percent);
        };
        const Run run = RunTool({"--versus", a, b});
        QCOMPARE(run.err, QByteArray());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(QString::fromUtf8(run.out), line(nameA + " > " + nameB, higher) +
                                                 line(nameA + " = " + nameB, ties) +
                                                 line(nameA + " < " + nameB, lower));
    }

    void informationOptions_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("help") << QStringList{"--help"}
                              << QByteArray("Usage: dorvanel-report [--summary | --csv | "
                                            "--explain] [--memory-limit BYTES]\n");
        QTest::newRow("version") << QStringList{"--version"}
                                 << QByteArray("dorvanel-report " DORVANEL_VERSION "\n");
    }
    void informationOptions() {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, expected);
        const Run run = RunTool(arguments);
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.out.contains(expected), run.out.constData());
    }

    void usageErrors_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("no arguments") << QStringList{} << "expected a pool, or two numbers";
        QTest::newRow("one number") << QStringList{"3"} << "'3' has no dice";
        QTest::newRow("three arguments")
            << QStringList{"3", "6", "1"} << "expected a pool, or two numbers";
        QTest::newRow("not an integer")
            << QStringList{"three", "6"} << "DICE must be a whole number";
        QTest::newRow("fraction") << QStringList{"3", "6.5"} << "FACES must be a whole number";
        QTest::newRow("no dice") << QStringList{"0", "6"} << "DICE must be between 1 and 10000";
        QTest::newRow("too many dice")
            << QStringList{"10001", "6"} << "DICE must be between 1 and 10000";
        QTest::newRow("negative faces")
            << QStringList{"3", "-6"} << "FACES must be between 1 and 1000";
        QTest::newRow("too many faces")
            << QStringList{"3", "1001"} << "FACES must be between 1 and 1000";
        QTest::newRow("beyond 32 bits")
            << QStringList{"2147483648", "6"}
            << "DICE must be between 1 and 10000: 2147483648 is too large";
        QTest::newRow("beyond 64 bits") << QStringList{"3", "99999999999999999999"}
                                        << "FACES must be between 1 and 1000: "
                                           "99999999999999999999 is too large";
        QTest::newRow("64 bits and more, not wrapped")
            << QStringList{"--summary", "18446744073709551619", "6"}
            << "DICE must be between 1 and 10000: 18446744073709551619 is too large";
        QTest::newRow("memory limit beyond 64 bits")
            << QStringList{"--memory-limit", "18446744073709552616", "3", "6"}
            << "--memory-limit 18446744073709552616 is too large";
        // Typed text is quoted with its control characters visible, long text cut around the
        // place at fault.
        QTest::newRow("escape sequence")
            << QStringList{"1d6\x1b[2J"} << "1d6\\x1B[2J: '\\x1B' at position 4 is not part";
        QTest::newRow("newlines") << QStringList{"1d6\n+\n2x"}
                                  << "1d6\\n+\\n2x: '\\n' at position 4";
        QTest::newRow("long pool") << QStringList{QString("1d6+").repeated(20000) + "x"}
                                   << "1d6+1d6+x: 'x' at position 80001 is not part";
        QTest::newRow("malformed pool")
            << QStringList{"3d6 + 2x8"}
            << "3d6 + 2x8: 'x' at position 8 is not part of a die or a number";
        QTest::newRow("an option as an option's value")
            << QStringList{"--memory-limit", "--help", "3", "6"}
            << "--memory-limit must be a positive whole number of bytes, not '--help'";
        QTest::newRow("unknown option") << QStringList{"--fast", "3", "6"} << "unknown option";
        QTest::newRow("memory limit not a number")
            << QStringList{"--memory-limit", "lots", "3", "6"}
            << "--memory-limit must be a positive whole number of bytes";
        QTest::newRow("csv and summary")
            << QStringList{"--csv", "--summary", "3", "6"} << "do not go together";
        QTest::newRow("explode depth too deep")
            << QStringList{"--explode-depth", "101", "3d6!"}
            << "--explode-depth must be between 0 and 100: 101 is too large";
        QTest::newRow("explain and csv")
            << QStringList{"--explain", "--csv", "3d6"} << "do not go together";
        QTest::newRow("versus, a bad pool")
            << QStringList{"--versus", "3d6", "3d6kh2>=4"}
            << "pool B: 3d6kh2>=4: a second keep, drop or count at position 7";
        QTest::newRow("memory limit missing")
            << QStringList{"3", "6", "--memory-limit"} << "--memory-limit must be a positive";
    }
    // A pool in notation prints what its dice do however written; leading zeros never
    // matter; after -- a pool may begin with a minus sign.
    void samePrintedAs_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("same");
        QTest::newRow("NdD") << QStringList{"3d6"} << QStringList{"3", "6"};
        QTest::newRow("merged sizes") << QStringList{"2d6 + d6"} << QStringList{"3", "6"};
        QTest::newRow("leading zeros")
            << QStringList{"0000000000003", "06"} << QStringList{"3", "6"};
        QTest::newRow("after --") << QStringList{"--summary", "--", "-2d6 + 20"}
                                  << QStringList{"--summary", "2d6 + 6"};
    }
    void samePrintedAs() {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, same);
        const Run run = RunTool(arguments);
        QCOMPARE(run.err, QByteArray());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, RunTool(same).out);
    }

    void usageErrors() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const Run run = RunTool(arguments);
        QCOMPARE(run.exitCode, 2);
        QCOMPARE(run.out, QByteArray());
        const QString err = QString::fromUtf8(run.err);
        QVERIFY2(err.contains(message), qPrintable(err));
        QCOMPARE(err.count('\n'), 1);
        QVERIFY2(err.size() < 300, qPrintable(err));
    }
};

QTEST_GUILESS_MAIN(TestReportTool)
#include "tst_report_tool.moc"
