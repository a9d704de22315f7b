// SPDX-License-Identifier: MIT
#include "decimal.h"
#include "errors.h"

#include <QTest>

using namespace dorvanel;

class TestDecimal : public QObject {
    Q_OBJECT
private slots:
    void digitsRoundTrip_data() {
        QTest::addColumn<QString>("digits");
        QTest::newRow("zero") << "0";
        QTest::newRow("one digit") << "7";
        QTest::newRow("nine digits") << "999999999";
        QTest::newRow("ten digits") << "1000000000";
        QTest::newRow("inner zero limb") << "5000000000000000001";
        QTest::newRow("long") << "4395456" + QString(100, '0') + "17";
    }
    void digitsRoundTrip() {
        QFETCH(QString, digits);
        const Decimal value = Decimal::FromDigits(digits.toStdString());
        QCOMPARE(QString::fromStdString(value.ToString()), digits);
        QCOMPARE(value.DigitCount(), static_cast<std::size_t>(digits.size()));
        for (std::size_t k : {std::size_t{1}, std::size_t{5}, std::size_t{6}, std::size_t{1000}})
            QCOMPARE(QString::fromStdString(LeadingDigits(value.limbs(), k)),
                     digits.left(static_cast<int>(k)));
    }

    void leadingZerosAreDropped() {
        QCOMPARE(Decimal::FromDigits("000000000000042").ToString(), std::string("42"));
        QCOMPARE(Decimal::FromDigits("0000000000").ToString(), std::string("0"));
    }

    void rejectsNonDigits() {
        QVERIFY_THROWS_EXCEPTION(ConvertError, Decimal::FromDigits(""));
        QVERIFY_THROWS_EXCEPTION(ConvertError, Decimal::FromDigits("12a"));
        QVERIFY_THROWS_EXCEPTION(ConvertError, Decimal::FromDigits("-1"));
    }

    void power_data() {
        QTest::addColumn<uint>("base");
        QTest::addColumn<uint>("exponent");
        QTest::addColumn<QString>("digits");
        QTest::newRow("6^3") << 6u << 3u << "216";
        QTest::newRow("x^0") << 6u << 0u << "1";
        QTest::newRow("0^5") << 0u << 5u << "0";
        QTest::newRow("6^20") << 6u << 20u << "3656158440062976";
        QTest::newRow("2^100") << 2u << 100u << "1267650600228229401496703205376";
        QTest::newRow("1000^5") << 1000u << 5u << "1000000000000000";
        QTest::newRow("1000^1000") << 1000u << 1000u << "1" + QString(3000, '0');
    }
    void power() {
        QFETCH(uint, base);
        QFETCH(uint, exponent);
        QFETCH(QString, digits);
        QCOMPARE(QString::fromStdString(Decimal::Power(base, exponent).ToString()), digits);
    }

    void arithmetic() {
        Decimal a = Decimal::FromDigits("999999999999999999");
        a.MultiplyBy(1000000000u - 1);
        QCOMPARE(a.ToString(), std::string("999999998999999999000000001"));
        QCOMPARE((Decimal(123456789012ULL) * Decimal(0)).ToString(), std::string("0"));
        QCOMPARE((Decimal::FromDigits("99999999999999999999") *
                  Decimal::FromDigits("99999999999999999999"))
                     .ToString(),
                 std::string("9999999999999999999800000000000000000001"));
        QVERIFY(Decimal(10) > Decimal(9));
        QVERIFY(Decimal::FromDigits("1000000000") > Decimal(999999999));
        QVERIFY(Decimal::FromDigits("2000000001") < Decimal::FromDigits("2000000002"));
        QVERIFY(Decimal(5) == Decimal::FromDigits("005"));
    }
};

QTEST_APPLESS_MAIN(TestDecimal)
#include "tst_decimal.moc"
