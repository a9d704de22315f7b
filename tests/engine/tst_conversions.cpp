// SPDX-License-Identifier: MIT
#include "conversions.h"
#include "errors.h"

#include <QTest>

#include <cmath>

using namespace dorvanel;

class TestConversions : public QObject {
    Q_OBJECT
private slots:
    void floatToStr_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("integer") << 216.0 << "216";
        QTest::newRow("half") << 10.5 << "10.5";
        QTest::newRow("three decimals") << 16.666 << "16.666";
        QTest::newRow("hundred") << 100.0 << "100";
        QTest::newRow("tenth") << 0.1 << "0.1";
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("negative") << -3.5 << "-3.5";
        QTest::newRow("largest plain") << 999999999999999.0 << "999999999999999";
        QTest::newRow("ten to the 15") << 1e15 << "1E15";
        QTest::newRow("16 digits") << 3656158440062976.0 << "3.65615844006298E15";
        QTest::newRow("rounds up into 10^15") << 999999999999999.9 << "1E15";
        QTest::newRow("15 significant digits") << 1234.56789012345678 << "1234.56789012346";
        QTest::newRow("one third") << 1.0 / 3.0 << "0.333333333333333";
        QTest::newRow("smallest plain") << 0.0001 << "0.0001";
        QTest::newRow("small") << 0.00001 << "1E-5";
        QTest::newRow("small with digits") << 1.5e-7 << "1.5E-7";
        QTest::newRow("large exponent") << 1.2345e300 << "1.2345E300";
        QTest::newRow("infinity") << HUGE_VAL << "INF";
    }
    void floatToStr() {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(QString::fromStdString(FloatToStr(value)), text);
    }

    void floatToStrSeparator() { QCOMPARE(QString::fromStdString(FloatToStr(10.5, ',')), "10,5"); }

    void formatIntegerDigits_data() {
        QTest::addColumn<QString>("digits");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << "0"
                              << "0";
        QTest::newRow("leading zeros") << "000216"
                                       << "216";
        QTest::newRow("15 digits") << "189456975899496"
                                   << "189456975899496";
        QTest::newRow("16 digits") << "3656158440062976"
                                   << "3.65615844006298E15";
        QTest::newRow("power of ten") << "1" + QString(3000, '0') << "1E3000";
        QTest::newRow("half up at 15") << "1234567890123445"
                                       << "1.23456789012345E15";
        QTest::newRow("all nines carry") << QString(20, '9') << "1E20";
        // 18 digits are taken first, ties to even: ...4|5 stays ...4, ...5|5 goes to ...6,
        // and only then is the result cut to 15 digits.
        QTest::newRow("tie to even, up") << "1234567890123454995"
                                         << "1.23456789012346E18";
        QTest::newRow("tie to even, down") << "1234567890123454985"
                                           << "1.23456789012345E18";
        QTest::newRow("just above a tie") << "1234567890123449999"
                                          << "1.23456789012345E18";
        QTest::newRow("many digits") << "43695403" + QString(2988, '1') << "4.36954031111111E2995";
    }
    void formatIntegerDigits() {
        QFETCH(QString, digits);
        QFETCH(QString, text);
        QCOMPARE(QString::fromStdString(FormatIntegerDigits(digits.toStdString())), text);
    }

    void formatIntegerDigitsMatchesFloatToStr_data() {
        QTest::addColumn<int>("base");
        QTest::addColumn<int>("exponent");
        QTest::newRow("6^20") << 6 << 20;
        QTest::newRow("7^22") << 7 << 22;
        QTest::newRow("3^40") << 3 << 40;
        QTest::newRow("2^63") << 2 << 63;
    }
    void formatIntegerDigitsMatchesFloatToStr() {
        // Exact in extended precision, so both renderings see the same value.
        QFETCH(int, base);
        QFETCH(int, exponent);
        unsigned long long value = 1;
        for (int i = 0; i < exponent; ++i)
            value *= static_cast<unsigned>(base);
        QCOMPARE(FormatIntegerDigits(std::to_string(value)),
                 FloatToStr(static_cast<long double>(value)));
    }

    void strToInt_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("valid");
        QTest::newRow("plain") << "65280" << 65280 << true;
        QTest::newRow("zero") << "0" << 0 << true;
        QTest::newRow("plus") << "+7" << 7 << true;
        QTest::newRow("minus") << "-1" << -1 << true;
        QTest::newRow("leading zeros") << "007" << 7 << true;
        QTest::newRow("max") << "2147483647" << 2147483647 << true;
        QTest::newRow("min") << "-2147483648" << int(-2147483647 - 1) << true;
        QTest::newRow("above max") << "2147483648" << 0 << false;
        QTest::newRow("far above") << "99999999999999999999" << 0 << false;
        QTest::newRow("empty") << "" << 0 << false;
        QTest::newRow("sign only") << "-" << 0 << false;
        QTest::newRow("letters") << "abc" << 0 << false;
        QTest::newRow("trailing space") << "12 " << 0 << false;
        QTest::newRow("leading space") << " 12" << 0 << false;
        QTest::newRow("fraction") << "1.5" << 0 << false;
        QTest::newRow("hex") << "0x10" << 0 << false;
    }
    void strToInt() {
        QFETCH(QString, text);
        QFETCH(int, value);
        QFETCH(bool, valid);
        if (valid) {
            QCOMPARE(StrToInt(text.toStdString()), value);
        } else {
            try {
                StrToInt(text.toStdString());
                QFAIL("no error");
            } catch (const ConvertError& error) {
                QCOMPARE(QString(error.what()), "'" + text + "' is not a valid integer value");
            }
        }
    }

    void strToFloat_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("valid");
        QTest::newRow("integer") << "4395456" << 4395456.0 << true;
        QTest::newRow("fraction") << "10.5" << 10.5 << true;
        QTest::newRow("signs and exponent") << "-1.5e3" << -1500.0 << true;
        QTest::newRow("capital exponent") << "+2E-2" << 0.02 << true;
        QTest::newRow("blanks around") << "  7 " << 7.0 << true;
        QTest::newRow("no integer part") << ".5" << 0.5 << true;
        QTest::newRow("underflow") << "1e-99999" << 0.0 << true;
        QTest::newRow("empty") << "" << 0.0 << false;
        QTest::newRow("letters") << "abc" << 0.0 << false;
        QTest::newRow("exponent without digits") << "1e" << 0.0 << false;
        QTest::newRow("two points") << "1.2.3" << 0.0 << false;
        QTest::newRow("comma") << "1,5" << 0.0 << false;
    }
    void strToFloat() {
        QFETCH(QString, text);
        QFETCH(double, value);
        QFETCH(bool, valid);
        if (valid)
            QCOMPARE(static_cast<double>(StrToFloat(text.toStdString())), value);
        else
            QVERIFY_THROWS_EXCEPTION(ConvertError, StrToFloat(text.toStdString()));
    }

    void strToFloatLongDigitStrings() {
        // Counts of hundreds of digits convert to the nearest extended value.
        const std::string digits = "1" + std::string(400, '0');
        QCOMPARE(StrToFloat(digits), 1e400L);
        QVERIFY_THROWS_EXCEPTION(FloatingPointError, StrToFloat("1" + std::string(5000, '0')));
        QCOMPARE(static_cast<double>(StrToFloat("1,25", ',')), 1.25);
    }

    void power_data() {
        QTest::addColumn<double>("base");
        QTest::addColumn<double>("exponent");
        QTest::addColumn<double>("expected");
        QTest::newRow("6^3") << 6.0 << 3.0 << 216.0;
        QTest::newRow("zero exponent") << 6.0 << 0.0 << 1.0;
        QTest::newRow("zero to zero") << 0.0 << 0.0 << 1.0;
        QTest::newRow("zero base") << 0.0 << 5.0 << 0.0;
        QTest::newRow("negative exponent") << 2.0 << -2.0 << 0.25;
        QTest::newRow("negative base") << -6.0 << 3.0 << -216.0;
        QTest::newRow("fractional exponent") << 4.0 << 0.5 << 2.0;
    }
    void power() {
        QFETCH(double, base);
        QFETCH(double, exponent);
        QFETCH(double, expected);
        QCOMPARE(static_cast<double>(Power(base, exponent)), expected);
    }

    void powerEdges() {
        QCOMPARE(Power(6, 20), 3656158440062976.0L); // exact within the 64-bit mantissa
        QVERIFY(std::isinf(Power(6, 10000)));        // beyond the extended range
        QVERIFY(std::isfinite(Power(10, 4000)));     // inside it, unlike a double
        QVERIFY_THROWS_EXCEPTION(FloatingPointError, Power(0, -1));
    }

    void truncAndRound_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<qlonglong>("truncated");
        QTest::addColumn<qlonglong>("rounded");
        QTest::newRow("positive") << 2.7 << 2LL << 3LL;
        QTest::newRow("negative") << -2.7 << -2LL << -3LL;
        QTest::newRow("half to even down") << 43954.5 << 43954LL << 43954LL;
        QTest::newRow("half to even up") << 439.5 << 439LL << 440LL;
        QTest::newRow("negative half") << -2.5 << -2LL << -2LL;
        QTest::newRow("large") << 9e15 << 9000000000000000LL << 9000000000000000LL;
    }
    void truncAndRound() {
        QFETCH(double, value);
        QFETCH(qlonglong, truncated);
        QFETCH(qlonglong, rounded);
        QCOMPARE(Trunc(value), truncated);
        QCOMPARE(Round(value), rounded);
    }

    void truncOutOfRange() {
        QVERIFY_THROWS_EXCEPTION(FloatingPointError, Trunc(1e19));
        QVERIFY_THROWS_EXCEPTION(FloatingPointError, Round(std::nan("")));
    }
};

QTEST_APPLESS_MAIN(TestConversions)
#include "tst_conversions.moc"
