// SPDX-License-Identifier: MIT
#include "line_text.h"
#include "lines_support.h"

#include <QTest>

using namespace dorvanel;

class TestLineText : public QObject {
    Q_OBJECT
private slots:
    void splitLines_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("empty") << QByteArray() << QStringList{};
        QTest::newRow("CR LF") << QByteArray("A\r\nB\r\n") << QStringList{"A", "B"};
        QTest::newRow("LF") << QByteArray("A\nB\n") << QStringList{"A", "B"};
        QTest::newRow("CR") << QByteArray("A\rB\r") << QStringList{"A", "B"};
        QTest::newRow("mixed") << QByteArray("A\rB\nC\r\nD") << QStringList{"A", "B", "C", "D"};
        QTest::newRow("no final break") << QByteArray("A\r\nB") << QStringList{"A", "B"};
        QTest::newRow("only a break") << QByteArray("\r\n") << QStringList{""};
        QTest::newRow("blank last line") << QByteArray("A\r\n\r\n") << QStringList{"A", ""};
        QTest::newRow("LF CR is two breaks") << QByteArray("A\n\rB") << QStringList{"A", "", "B"};
        QTest::newRow("CR CR LF") << QByteArray("A\r\r\nB") << QStringList{"A", "", "B"};
        QTest::newRow("blanks kept") << QByteArray(" A \t\n") << QStringList{" A \t"};
    }
    void splitLines() {
        QFETCH(QByteArray, text);
        QFETCH(QStringList, lines);
        QCOMPARE(ToStringList(SplitLines(text.toStdString())), lines);
    }

    void joinLines_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("none") << QStringList{} << QByteArray();
        QTest::newRow("two") << QStringList{"A", "B"} << QByteArray("A\r\nB\r\n");
        QTest::newRow("blank last line") << QStringList{"A", ""} << QByteArray("A\r\n\r\n");
    }
    void joinLines() {
        QFETCH(QStringList, lines);
        QFETCH(QByteArray, text);
        QCOMPARE(QByteArray::fromStdString(JoinLines(ToLines(lines))), text);
        QCOMPARE(ToStringList(SplitLines(text.toStdString())), lines);
    }
};

QTEST_APPLESS_MAIN(TestLineText)
#include "tst_line_text.moc"
