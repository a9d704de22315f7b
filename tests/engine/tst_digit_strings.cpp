// SPDX-License-Identifier: MIT
#include "digit_strings.h"

#include <QTest>

using namespace dorvanel;

class TestDigitStrings : public QObject {
    Q_OBJECT
private slots:
    void isDigitString_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("expected");
        for (char c = '0'; c <= '9'; ++c)
            QTest::newRow(qPrintable(QString("digit %1").arg(c))) << QString(c) << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("two digits") << "12" << false;
        QTest::newRow("letter") << "a" << false;
        QTest::newRow("space") << " " << false;
        QTest::newRow("minus") << "-" << false;
        QTest::newRow("digit and space") << "1 " << false;
    }
    void isDigitString() {
        QFETCH(QString, text);
        QFETCH(bool, expected);
        QCOMPARE(IsDigitString(text.toStdString()), expected);
    }

    void addDigitStrings_data() {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<QString>("sum");
        QTest::newRow("zeros") << "0"
                               << "0"
                               << "0";
        QTest::newRow("zero and one") << "0"
                                      << "1"
                                      << "1";
        QTest::newRow("carry into a new digit") << "999"
                                                << "1"
                                                << "1000";
        QTest::newRow("equal lengths") << "27"
                                       << "27"
                                       << "54";
        QTest::newRow("shorter first") << "5"
                                       << "12345"
                                       << "12350";
        QTest::newRow("shorter second") << "12345"
                                        << "5"
                                        << "12350";
        QTest::newRow("both empty") << ""
                                    << ""
                                    << "0";
        QTest::newRow("one empty") << "12"
                                   << ""
                                   << "12";
        QTest::newRow("non-digit skipped, carry kept") << "1a"
                                                       << "11"
                                                       << "2";
        QTest::newRow("non-digit in second") << "19"
                                             << "1x"
                                             << "2";
        QTest::newRow("non-digit with a pending carry") << "19"
                                                        << "x9"
                                                        << "18";
        QTest::newRow("leading zero survives") << "05"
                                               << "01"
                                               << "06";
        QTest::newRow("leading zeros of the longer") << "0005"
                                                     << "5"
                                                     << "0010";
        QTest::newRow("long carry chain") << "99999999999999999999"
                                          << "1"
                                          << "100000000000000000000";
        QTest::newRow("all skipped") << "ab"
                                     << "cd"
                                     << "0";
    }
    void addDigitStrings() {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(QString, sum);
        const std::string first = a.toStdString();
        const std::string second = b.toStdString();
        const std::string result = AddDigitStrings(first, second);
        QCOMPARE(QString::fromStdString(result), sum);
        QVERIFY(result.size() <= std::max({first.size(), second.size(), std::size_t{1}}) + 1);
    }
};

QTEST_APPLESS_MAIN(TestDigitStrings)
#include "tst_digit_strings.moc"
