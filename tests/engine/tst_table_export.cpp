// SPDX-License-Identifier: MIT
#include "distribution.h"
#include "errors.h"
#include "exact_tables.h"
#include "report.h"
#include "table_export.h"

#include <QTest>

#include <atomic>
#include <cmath>

using namespace dorvanel;
using dorvanel::testing::AddExactTableRows;
using dorvanel::testing::Computed;
using dorvanel::testing::Outcomes;
using dorvanel::testing::ParseCount;
using dorvanel::testing::UInt128;

namespace {

std::string Exported(void (*write)(const DistributionTable&, const TextSink&, const ExportControl&),
                     const DistributionTable& table, const ExportControl& control = {}) {
    std::string text;
    write(
        table, [&](std::string_view piece) { text += piece; }, control);
    return text;
}

} // namespace

class TestTableExport : public QObject {
    Q_OBJECT
private slots:
    void csvOf3d6() {
        QCOMPARE(
            QString::fromStdString(Exported(WriteCsv, ComputeDistribution(DicePool::Plain(3, 6)))),
            QString("total,count,probability,at_most,at_least\n"
                    "3,1,0.0046296296296296296,0.0046296296296296296,1\n"
                    "4,3,0.013888888888888889,0.018518518518518519,0.99537037037037037\n"
                    "5,6,0.027777777777777778,0.046296296296296296,0.98148148148148148\n"
                    "6,10,0.046296296296296296,0.092592592592592593,0.9537037037037037\n"
                    "7,15,0.069444444444444444,0.16203703703703704,0.90740740740740741\n"
                    "8,21,0.097222222222222222,0.25925925925925926,0.83796296296296296\n"
                    "9,25,0.11574074074074074,0.375,0.74074074074074074\n"
                    "10,27,0.125,0.5,0.625\n"
                    "11,27,0.125,0.625,0.5\n"
                    "12,25,0.11574074074074074,0.74074074074074074,0.375\n"
                    "13,21,0.097222222222222222,0.83796296296296296,0.25925925925925926\n"
                    "14,15,0.069444444444444444,0.90740740740740741,0.16203703703703704\n"
                    "15,10,0.046296296296296296,0.9537037037037037,0.092592592592592593\n"
                    "16,6,0.027777777777777778,0.98148148148148148,0.046296296296296296\n"
                    "17,3,0.013888888888888889,0.99537037037037037,0.018518518518518519\n"
                    "18,1,0.0046296296296296296,1,0.0046296296296296296\n"));
    }

    // Every row against the listing's count and against exact fractions worked out here: the
    // shares are off by no more than their rounding to 17 digits.
    void csvAgreesWithListingAndFractions_data() { AddExactTableRows(); }
    void csvAgreesWithListingAndFractions() {
        QFETCH(int, dice);
        QFETCH(int, faces);
        QFETCH(bool, checkpointed);
        const DistributionTable table = Computed(dice, faces, checkpointed);
        const QStringList rows =
            QString::fromStdString(Exported(WriteCsv, table)).split('\n', Qt::SkipEmptyParts);
        const Listing listing(table);
        QCOMPARE(rows.size(), listing.LineCount() + 1);
        const UInt128 outcomes = Outcomes(dice, faces);
        UInt128 atMost = 0;
        for (std::int64_t line = 0; line < listing.LineCount(); ++line) {
            const QStringList fields = rows[line + 1].split(',');
            QCOMPARE(fields.size(), 5);
            const QString listed = QString::fromStdString(listing.Line(line));
            QCOMPARE(listed.section(':', 0, 0).trimmed(), fields[0]);
            QCOMPARE(listed.section(": ", 1), fields[1]);
            const UInt128 count = ParseCount(fields[1].toStdString());
            const UInt128 atLeast = outcomes - atMost;
            atMost += count;
            for (const auto& [field, part] :
                 {std::pair{2, count}, std::pair{3, atMost}, std::pair{4, atLeast}}) {
                const long double exact =
                    static_cast<long double>(part) / static_cast<long double>(outcomes);
                const long double written = std::stold(fields[field].toStdString());
                QVERIFY2(std::fabs(written - exact) <= 1e-16L * exact, qPrintable(rows[line + 1]));
            }
        }
    }

    void listingTextIsTheListing() {
        for (bool checkpointed : {false, true}) {
            const DistributionTable table = Computed(37, 11, checkpointed);
            const Listing listing(table);
            std::string expected;
            for (std::int64_t line = 0; line < listing.LineCount(); ++line)
                expected += listing.Line(line) + "\n";
            QCOMPARE(Exported(WriteListingText, table), expected);
        }
    }

    // What an export will take is known before it is written: the listing's size exactly,
    // the values' within a tenth.
    void sizesKnownBeforeWriting_data() {
        QTest::addColumn<QString>("pool");
        QTest::addColumn<bool>("checkpointed");
        QTest::newRow("3d6") << "3d6" << false;
        QTest::newRow("37d11") << "37d11" << false;
        QTest::newRow("37d11, checkpointed") << "37d11" << true;
        QTest::newRow("a pool below zero") << "3d6 + 2d8 - 40" << false;
        QTest::newRow("long counts") << "300d100" << false;
    }
    void sizesKnownBeforeWriting() {
        QFETCH(QString, pool);
        QFETCH(bool, checkpointed);
        const DistributionTable table = Computed(pool, checkpointed);
        QCOMPARE(table.IsCheckpointed(), checkpointed);
        QCOMPARE(ListingTextBytes(table), Exported(WriteListingText, table).size());
        const double csv = static_cast<double>(Exported(WriteCsv, table).size());
        const double estimate = static_cast<double>(CsvBytesEstimate(table));
        QVERIFY2(std::fabs(estimate - csv) <= 0.1 * csv,
                 qPrintable(QString("%1 estimated, %2 written").arg(estimate).arg(csv)));
    }

    void cancelledExportStops() {
        const DistributionTable table = ComputeDistribution(DicePool::Plain(200, 50));
        std::atomic<bool> cancel{false};
        ExportControl control;
        control.cancel = &cancel;
        int reports = 0;
        control.onProgress = [&](double done, double) {
            ++reports;
            if (done > 0.3)
                cancel = true;
        };
        for (auto* write : {WriteCsv, WriteListingText}) {
            cancel = false;
            QVERIFY_THROWS_EXCEPTION(AnalysisCancelled, Exported(write, table, control));
        }
        QVERIFY(reports > 2);
    }
};

QTEST_APPLESS_MAIN(TestTableExport)
#include "tst_table_export.moc"
