// SPDX-License-Identifier: MIT
#include "checkpointed_counts.h"
#include "count_limbs.h"
#include "count_reader.h"
#include "count_window.h"
#include "digit_strings.h"
#include "distribution.h"
#include "errors.h"
#include "pool_notation.h"
#include "reference_distribution.h"
#include "table_size.h"

#include <QTest>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <limits>
#include <mutex>
#include <random>
#include <vector>

using namespace dorvanel;

namespace {

QStringList AllCounts(const DistributionTable& table) {
    QStringList counts;
    for (std::int64_t t = 1; t <= table.MaxValue(); ++t)
        counts << QString::fromStdString(table.Digits(t));
    return counts;
}

// Compares every total, and every accessor on it, with the table built by addition.
void CompareWithReference(std::int32_t dice, std::int32_t faces) {
    const DistributionTable table = ComputeDistribution(DicePool::Plain(dice, faces));
    const std::vector<std::string> expected = reference::ComputeDistributionByAddition(dice, faces);
    QCOMPARE(static_cast<std::size_t>(table.MaxValue()) + 1, expected.size());
    for (std::int32_t t = 1; t <= table.MaxValue(); ++t) {
        const std::string& count = expected[static_cast<std::size_t>(t)];
        if (table.Digits(t) != count)
            QFAIL(qPrintable(
                QString("%1d%2, total %3: %4, expected %5")
                    .arg(dice)
                    .arg(faces)
                    .arg(t)
                    .arg(QString::fromStdString(table.Digits(t)), QString::fromStdString(count))));
        QCOMPARE(table.DigitCount(t), count.size());
        QCOMPARE(table.IsZero(t), count == "0");
        QCOMPARE(table.LeadingDigits(t, 6), count.substr(0, 6));
    }
}

} // namespace

Q_DECLARE_METATYPE(dorvanel::TablePurpose)
Q_DECLARE_METATYPE(dorvanel::TableEnd)

class TestDistribution : public QObject {
    Q_OBJECT
private slots:
    void beginAnalysis_data() {
        QTest::addColumn<int>("dice");
        QTest::addColumn<int>("faces");
        QTest::addColumn<int>("minValue");
        QTest::addColumn<int>("maxValue");
        QTest::addColumn<double>("meanValue");
        QTest::newRow("1d6") << 1 << 6 << 1 << 6 << 3.5;
        QTest::newRow("3d6") << 3 << 6 << 3 << 18 << 10.5;
        QTest::newRow("1d1") << 1 << 1 << 1 << 1 << 1.0;
        QTest::newRow("no dice") << 0 << 6 << 0 << 0 << 0.0;
        QTest::newRow("both negative") << -5 << -3 << -5 << 15 << 5.0;
        QTest::newRow("largest in range") << 10000 << 1000 << 10000 << 10000000 << 5005000.0;
    }
    void beginAnalysis() {
        QFETCH(int, dice);
        QFETCH(int, faces);
        const AnalysisBounds bounds = BeginAnalysis(dice, faces);
        QTEST(bounds.MinValue, "minValue");
        QTEST(bounds.MaxValue, "maxValue");
        QTEST(bounds.MeanValue, "meanValue");
    }

    void integerOverflow_data() {
        QTest::addColumn<int>("dice");
        QTest::addColumn<int>("faces");
        QTest::newRow("product") << 46341 << 46341;
        QTest::newRow("negative product") << 46341 << -46341;
        QTest::newRow("sum of min and max") << 1073741824 << 1;
        QTest::newRow("largest dice") << 2147483647 << 1;
    }
    void integerOverflow() {
        QFETCH(int, dice);
        QFETCH(int, faces);
        QVERIFY_THROWS_EXCEPTION(IntegerOverflowError, BeginAnalysis(dice, faces));
        QVERIFY_THROWS_EXCEPTION(IntegerOverflowError,
                                 ComputeDistribution(DicePool::Plain(dice, faces)));
    }

    void silentAbort_data() {
        QTest::addColumn<int>("dice");
        QTest::addColumn<int>("faces");
        QTest::newRow("no dice") << 0 << 6;
        QTest::newRow("negative dice") << -2 << 6;
        QTest::newRow("negative dice and faces") << -5 << -3;
        QTest::newRow("no faces") << 5 << 0;
        QTest::newRow("negative faces") << 5 << -3;
    }
    void silentAbort() {
        QFETCH(int, dice);
        QFETCH(int, faces);
        QVERIFY_THROWS_EXCEPTION(SilentAbort, ComputeDistribution(DicePool::Plain(dice, faces)));
    }

    void smallTables_data() {
        QTest::addColumn<int>("dice");
        QTest::addColumn<int>("faces");
        QTest::addColumn<QStringList>("counts");
        QTest::newRow("1d6") << 1 << 6 << QStringList{"1", "1", "1", "1", "1", "1"};
        QTest::newRow("3d6") << 3 << 6
                             << QStringList{"0",  "0",  "1",  "3",  "6",  "10", "15", "21", "25",
                                            "27", "27", "25", "21", "15", "10", "6",  "3",  "1"};
        QTest::newRow("2d1") << 2 << 1 << QStringList{"0", "1"};
        QTest::newRow("1d1") << 1 << 1 << QStringList{"1"};
        QTest::newRow("2d2") << 2 << 2 << QStringList{"0", "1", "2", "1"};
    }
    void smallTables() {
        QFETCH(int, dice);
        QFETCH(int, faces);
        QFETCH(QStringList, counts);
        const DistributionTable table = ComputeDistribution(DicePool::Plain(dice, faces));
        QCOMPARE(AllCounts(table), counts);
        QCOMPARE(table.MinValue(), dice);
        QCOMPARE(table.MaxValue(), dice * faces);
    }

    void tenDiceOfSix() {
        const DistributionTable table = ComputeDistribution(DicePool::Plain(10, 6));
        QCOMPARE(table.Digits(35), std::string("4395456"));
        QCOMPARE(table.MeanValue(), 35.0);
    }

    void outsideTheTable() {
        const DistributionTable table = ComputeDistribution(DicePool::Plain(3, 6));
        for (std::int64_t total : {std::int64_t{0}, std::int64_t{-1}, std::int64_t{19}}) {
            QVERIFY_THROWS_EXCEPTION(RangeCheckError, table.Digits(total));
            QVERIFY_THROWS_EXCEPTION(RangeCheckError, table.IsZero(total));
        }
        const DistributionTable none;
        QVERIFY(none.empty());
        QCOMPARE(none.MaxValue(), 0);
        QVERIFY_THROWS_EXCEPTION(RangeCheckError, none.Digits(1));
    }

    void agreesWithAdditionForSmallDice() {
        for (std::int32_t dice = 1; dice <= 12; ++dice)
            for (std::int32_t faces = 1; faces <= 12; ++faces)
                CompareWithReference(dice, faces);
    }

    void agreesWithAdditionForLargerCases_data() {
        QTest::addColumn<int>("dice");
        QTest::addColumn<int>("faces");
        QTest::newRow("60d6") << 60 << 6;
        QTest::newRow("25d40") << 25 << 40;
        QTest::newRow("8d300") << 8 << 300;
        QTest::newRow("40d2") << 40 << 2;
    }
    void agreesWithAdditionForLargerCases() {
        QFETCH(int, dice);
        QFETCH(int, faces);
        CompareWithReference(dice, faces);
    }

    void countsAddUpToAllOutcomes_data() {
        QTest::addColumn<int>("dice");
        QTest::addColumn<int>("faces");
        QTest::addColumn<QString>("outcomes");
        QTest::newRow("100d100") << 100 << 100 << "1" + QString(200, '0');
        QTest::newRow("500d10") << 500 << 10 << "1" + QString(500, '0');
        QTest::newRow("3000d2") << 3000 << 2 << "";
    }
    void countsAddUpToAllOutcomes() {
        QFETCH(int, dice);
        QFETCH(int, faces);
        QFETCH(QString, outcomes);
        const DistributionTable table = ComputeDistribution(DicePool::Plain(dice, faces));
        std::string sum = "0";
        for (std::int64_t t = table.MinValue(); t <= table.MaxValue(); ++t)
            sum = AddDigitStrings(sum, table.Digits(t));
        if (outcomes.isEmpty()) {
            // 2^N by doubling.
            std::string power = "1";
            for (int i = 0; i < dice; ++i)
                power = AddDigitStrings(power, power);
            QCOMPARE(sum, power);
        } else {
            QCOMPARE(QString::fromStdString(sum), outcomes);
        }
    }

    void progressIsReportedInOrder() {
        std::vector<std::pair<double, double>> reports;
        RunControl control;
        control.onProgress = [&](double run, double stage) { reports.emplace_back(run, stage); };
        ComputeDistribution(DicePool::Plain(400, 20), control);
        QVERIFY(reports.size() > 10);
        QVERIFY(reports.size() < 2000);
        for (std::size_t i = 0; i < reports.size(); ++i) {
            QVERIFY(reports[i].first >= 0.0 && reports[i].first <= 1.0);
            QVERIFY(reports[i].second >= 0.0 && reports[i].second <= 1.0);
            if (i > 0)
                QVERIFY(reports[i].first >= reports[i - 1].first);
        }
        QCOMPARE(reports.back(), std::make_pair(1.0, 1.0));
    }

    void cancellation() {
        std::atomic<bool> cancel{true};
        RunControl control;
        control.cancel = &cancel;
        QVERIFY_THROWS_EXCEPTION(AnalysisCancelled,
                                 ComputeDistribution(DicePool::Plain(200, 20), control));

        // Raised halfway through a run.
        cancel = false;
        int reports = 0;
        control.onProgress = [&](double run, double) {
            ++reports;
            if (run > 0.5)
                cancel = true;
        };
        QVERIFY_THROWS_EXCEPTION(AnalysisCancelled,
                                 ComputeDistribution(DicePool::Plain(400, 20), control));
        QVERIFY(reports > 1);
        // Checkpointed counts that are not symmetric, raised at the first report, long before
        // the two ends meet: the end working down stops too. The run is long enough (seconds)
        // that the end working down cannot take every total before a late-starting caller's
        // thread reports.
        cancel = false;
        control.onProgress = [&](double, double) { cancel = true; };
        control.memoryBudget = 1;
        QVERIFY_THROWS_EXCEPTION(AnalysisCancelled,
                                 ComputeDistribution(ParsePool("5000d50>=10 + 5000d50"), control));
        control.memoryBudget.reset();

        // A table too small to check the flag still completes.
        QCOMPARE(ComputeDistribution(DicePool::Plain(1, 6), RunControl{}).Digits(6),
                 std::string("1"));
    }

    // Combining two groups of kept dice of hundreds of values each takes a while on its own:
    // a flag raised halfway through stops it at once.
    void keptGroupsCombinationStopsWhenCancelled() {
        std::atomic<bool> cancel{false};
        RunControl control;
        control.cancel = &cancel;
        int reportsAfterCancel = 0;
        control.onProgress = [&](double, double stage) {
            if (cancel)
                ++reportsAfterCancel;
            if (stage > 0.5)
                cancel = true;
        };
        QVERIFY_THROWS_EXCEPTION(
            AnalysisCancelled, ComputeDistribution(ParsePool("20d100kh10 + 20d100kh10"), control));
        QCOMPARE(reportsAfterCancel, 0);
    }

    // Beyond its budget a table is checkpointed; only working space beyond the usable memory
    // is refused, with a message naming the size. A first screen or a summary never touches a
    // large whole table; a small one stays whole. Its checkpoints stay few, except where a
    // listing would not be whole either: there a jump in it must not start seconds away.
    void plansWithinTheBudget_data() {
        QTest::addColumn<int>("dice");
        QTest::addColumn<int>("faces");
        QTest::addColumn<qulonglong>("budget");
        QTest::addColumn<TablePurpose>("purpose");
        QTest::addColumn<bool>("checkpointed");
        QTest::addColumn<bool>("fewCheckpoints");
        const qulonglong gigabytes2 = qulonglong{2} << 30;
        const TablePurpose listing = TablePurpose::Listing;
        const TablePurpose first = TablePurpose::FirstScreen;
        const TablePurpose summary = TablePurpose::Summary;
        QTest::newRow("1000d1000 whole") << 1000 << 1000 << gigabytes2 << listing << false << false;
        QTest::newRow("3000d1000 checkpointed")
            << 3000 << 1000 << gigabytes2 << listing << true << false;
        QTest::newRow("10000d1000 checkpointed")
            << 10000 << 1000 << gigabytes2 << listing << true << false;
        QTest::newRow("10000d1000 in half the budget")
            << 10000 << 1000 << gigabytes2 / 2 << listing << true << false;
        QTest::newRow("100d100 forced") << 100 << 100 << qulonglong{1} << listing << true << false;
        QTest::newRow("1000d1000 first screen")
            << 1000 << 1000 << gigabytes2 << first << true << true;
        QTest::newRow("2000d100 first screen")
            << 2000 << 100 << gigabytes2 << first << false << false;
        QTest::newRow("10000d1000 first screen")
            << 10000 << 1000 << gigabytes2 << first << true << false;
        QTest::newRow("1000d1000 summary") << 1000 << 1000 << gigabytes2 << summary << true << true;
        QTest::newRow("10000d1000 summary")
            << 10000 << 1000 << gigabytes2 << summary << true << true;
    }
    void plansWithinTheBudget() {
        QFETCH(int, dice);
        QFETCH(int, faces);
        QFETCH(qulonglong, budget);
        QFETCH(TablePurpose, purpose);
        QFETCH(bool, checkpointed);
        QFETCH(bool, fewCheckpoints);
        const DicePool pool = DicePool::Plain(dice, faces);
        const std::uint64_t usable = std::uint64_t{20} << 30;
        const AnalysisPlan plan = PlanAnalysis(pool, budget, usable, purpose);
        QCOMPARE(plan.form == TableForm::Checkpointed, checkpointed);
        if (budget > 1)
            QVERIFY2(plan.bytes <= budget, qPrintable(QString::number(plan.bytes)));
        if (!checkpointed)
            return;
        const AnalysisPlan forListing = PlanAnalysis(pool, budget, usable, TablePurpose::Listing);
        if (fewCheckpoints)
            QVERIFY2(
                plan.bytes * 4 < forListing.bytes,
                qPrintable(QStringLiteral("%1 beside %2").arg(plan.bytes).arg(forListing.bytes)));
        else
            QCOMPARE(plan.checkpointSpacing, forListing.checkpointSpacing);
    }

    void refusesOnlyWhatCannotFit() {
        // Typed far beyond the spin boxes: the summary of 10^9 totals alone takes 16 GB.
        try {
            PlanAnalysis(DicePool::Plain(20000, 100000), std::uint64_t{1} << 30,
                         std::uint64_t{8} << 30);
            QFAIL("no error");
        } catch (const InsufficientMemoryError& error) {
            QCOMPARE(error.bytesAvailable(), std::uint64_t{8} << 30);
            QVERIFY(error.bytesNeeded() > error.bytesAvailable());
            const QString message = error.what();
            QVERIFY2(message.contains("20000 dice of 100000 faces"), qPrintable(message));
            QVERIFY2(message.contains(QString::fromStdString(DescribeBytes(error.bytesNeeded()))),
                     qPrintable(message));
        }
        RunControl control;
        control.memoryBudget = 1;
        QCOMPARE(ComputeDistribution(DicePool::Plain(100, 100), control).Digits(100),
                 std::string("1"));
    }

    // Forced with a budget too small for every count, the table keeps checkpoints and must
    // give every accessor exactly what the whole form gives: on checkpoints, between them, at
    // the mean and in the mirrored upper half, read in order either way and at random.
    void checkpointedAgreesWithWhole_data() {
        QTest::addColumn<int>("dice");
        QTest::addColumn<int>("faces");
        for (int dice = 1; dice <= 12; ++dice)
            for (int faces = 1; faces <= 12; ++faces)
                QTest::addRow("%dd%d", dice, faces) << dice << faces;
        QTest::newRow("60d6") << 60 << 6;
        QTest::newRow("37d11") << 37 << 11;
        QTest::newRow("100d100") << 100 << 100;
        QTest::newRow("250d6") << 250 << 6;
    }
    void checkpointedAgreesWithWhole() {
        QFETCH(int, dice);
        QFETCH(int, faces);
        const DistributionTable whole = ComputeDistribution(DicePool::Plain(dice, faces));
        QVERIFY(!whole.IsCheckpointed());
        // No room for checkpoints but the middle one, and room for as many as fit.
        for (const std::uint64_t budget : {std::uint64_t{1}, whole.StorageBytes() * 3 / 4}) {
            RunControl control;
            control.memoryBudget = budget;
            const DistributionTable table =
                ComputeDistribution(DicePool::Plain(dice, faces), control);
            QVERIFY(table.IsCheckpointed() || whole.MaxValue() - whole.MinValue() < 2);
            std::vector<std::int64_t> order;
            for (std::int64_t t = 1; t <= table.MaxValue(); ++t)
                order.push_back(t);
            std::vector<std::int64_t> reversed(order.rbegin(), order.rend());
            std::vector<std::int64_t> shuffled = order;
            std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(dice * 1000 + faces));
            for (const auto& totals : {order, reversed, shuffled}) {
                CountReader reader(table);
                for (const std::int64_t t : totals) {
                    const LimbSpan count = reader.Count(t);
                    std::string digits(DigitCount(count), '0');
                    WriteDigits(count, digits.data());
                    if (digits != whole.Digits(t))
                        QFAIL(qPrintable(QString("total %1: %2, expected %3")
                                             .arg(t)
                                             .arg(QString::fromStdString(digits),
                                                  QString::fromStdString(whole.Digits(t)))));
                }
            }
            for (std::int64_t t = 1; t <= table.MaxValue(); ++t) {
                QCOMPARE(table.DigitCount(t), whole.DigitCount(t));
                QCOMPARE(table.IsZero(t), whole.IsZero(t));
                QCOMPARE(table.LeadingDigits(t, 6), whole.LeadingDigits(t, 6));
                QCOMPARE(table.LeadingDigits(t, 40), whole.LeadingDigits(t, 40));
                QCOMPARE(table.LeadingDigitsValue(t, 9), whole.LeadingDigitsValue(t, 9));
            }
            QCOMPARE(table.Digits(table.MaxValue() / 2 + 1),
                     whole.Digits(whole.MaxValue() / 2 + 1));
        }
    }

    void sizeEstimateIsATightUpperBound_data() {
        QTest::addColumn<int>("dice");
        QTest::addColumn<int>("faces");
        QTest::addColumn<double>("slack");
        QTest::newRow("3d6, crude bound") << 3 << 6 << 100.0;
        QTest::newRow("1000d6, crude bound") << 1000 << 6 << 100.0;
        QTest::newRow("3000d30, sampled bound") << 3000 << 30 << 1.02;
        QTest::newRow("500d500, sampled bound") << 500 << 500 << 1.02;
    }
    void sizeEstimateIsATightUpperBound() {
        QFETCH(int, dice);
        QFETCH(int, faces);
        QFETCH(double, slack);
        const TableSize estimate = EstimateTableSize(DicePool::Plain(dice, faces));
        const DistributionTable table = ComputeDistribution(DicePool::Plain(dice, faces));
        QVERIFY(estimate.bytes >= table.StorageBytes());
        QVERIFY2(
            static_cast<double>(estimate.bytes) <=
                slack * static_cast<double>(table.StorageBytes()),
            qPrintable(
                QString("%1 estimated, %2 used").arg(estimate.bytes).arg(table.StorageBytes())));
    }

    // Windows kept from both ends at once share the memory reserved for them, one end taking
    // it from the start and the other from the end, and any beyond it have memory of their own:
    // each must read back as it was kept.
    void windowsKeptFromBothEndsStayApart_data() {
        QTest::addColumn<int>("reservedWindows");
        QTest::addColumn<int>("spareLimbs");
        QTest::newRow("all reserved") << 4 << 0;
        // Given back between the ends when filled, a page at least, none of it theirs.
        QTest::newRow("room to spare") << 4 << 5000;
        QTest::newRow("some reserved") << 3 << 0;
        QTest::newRow("none reserved") << 0 << 0;
    }
    void windowsKeptFromBothEndsStayApart() {
        QFETCH(int, reservedWindows);
        QFETCH(int, spareLimbs);
        const DicePool pool = DicePool::Plain(40, 6);
        auto recurrence = std::make_shared<const PoolRecurrence>(pool);
        const auto working = static_cast<std::size_t>(WorkingLimbs(pool));
        const std::int64_t span = recurrence->Reach() + 1;
        const std::int64_t last = recurrence->Spread();
        const std::vector<std::int64_t> lower{40, 60}, upper{160, 140};
        CountWindow window(recurrence, working, span);
        auto windowLimbs = [&](std::int64_t lo) {
            window.MoveTo(lo + span - 1, span - 1);
            std::size_t limbs = 0;
            for (std::int64_t j = lo; j < lo + span; ++j)
                limbs += window.Count(j).size();
            return limbs;
        };
        auto reserved = static_cast<std::size_t>(spareLimbs);
        for (const std::int64_t lo : {lower[0], upper[0], lower[1], upper[1]})
            if (reservedWindows-- > 0)
                reserved += windowLimbs(lo);
        CheckpointedCounts counts(recurrence, working, span, last, 20, reserved);
        for (std::size_t k = 0; k < lower.size(); ++k) {
            window.MoveTo(upper[k] + span - 1, span - 1);
            std::vector<std::vector<std::uint32_t>> copies;
            for (std::int64_t j = upper[k]; j < upper[k] + span; ++j)
                copies.emplace_back(window.Count(j).begin(), window.Count(j).end());
            counts.KeepUpperWindow(upper[k], {copies.begin(), copies.end()});
            window.MoveTo(lower[k] + span - 1, span - 1);
            counts.KeepWindow(window);
        }
        counts.JoinUpperWindows();
        counts.FinishFilling();
        for (const std::int64_t lo : {lower[0], lower[1], upper[1], upper[0]})
            for (std::int64_t j = lo; j < lo + span; ++j) {
                window.MoveTo(j, 0);
                const std::optional<LimbSpan> kept = counts.Kept(j);
                QVERIFY(kept);
                QVERIFY2(std::equal(kept->begin(), kept->end(), window.Count(j).begin(),
                                    window.Count(j).end()),
                         qPrintable(QString::number(j)));
            }
    }
    // A checkpointed table that is not symmetric is worked out from both ends at once, each
    // taking the totals the other has not. However late either end starts, even once the other
    // has taken every total, the two must meet inside the table and give the whole table's counts.
    void twoEndsMeetWhicheverStartsLate_data() {
        QTest::addColumn<TableEnd>("late");
        QTest::newRow("lower end late") << TableEnd::Lower;
        QTest::newRow("upper end late") << TableEnd::Upper;
    }
    void twoEndsMeetWhicheverStartsLate() {
        QFETCH(TableEnd, late);
        const DicePool pool = ParsePool("40d6 + 6d10>=8");
        const auto entries = static_cast<int>(EstimateTableSize(pool).entries);
        std::mutex mutex;
        std::condition_variable taken;
        int lowerTakes = 0, upperTakes = 0;
        RunControl control;
        control.memoryBudget = 1;
        control.beforeTake = [&](TableEnd end) {
            std::unique_lock lock(mutex);
            int& mine = end == TableEnd::Lower ? lowerTakes : upperTakes;
            const int& other = end == TableEnd::Lower ? upperTakes : lowerTakes;
            // The upper end asks once more than it takes, the lower end only as often.
            const int otherDone = late == TableEnd::Lower ? entries + 1 : entries;
            if (end == late && mine == 0)
                taken.wait_for(lock, std::chrono::seconds(60), [&] { return other >= otherDone; });
            ++mine;
            taken.notify_all();
        };
        const DistributionTable table = ComputeDistribution(pool, control);
        QVERIFY(table.IsCheckpointed());
        QVERIFY(upperTakes > 0);
        const DistributionTable whole = ComputeDistribution(pool);
        for (std::int64_t t = table.MinValue(); t <= table.MaxValue(); ++t)
            QCOMPARE(table.Digits(t), whole.Digits(t));
    }

    // A table that is not symmetric starting at the smallest total there is: its negation would
    // end one past the largest, so the one end walks every total.
    void aNegationThatDoesNotFitLeavesOneEnd() {
        const DicePool pool = ParsePool("40d6 + 6d10>=8");
        const DicePool lowest(pool.Terms(), pool.Constant() +
                                                std::numeric_limits<std::int32_t>::min() -
                                                pool.MinValue());
        RunControl control;
        control.memoryBudget = 1;
        std::atomic<int> upperTakes = 0;
        control.beforeTake = [&](TableEnd end) { upperTakes += end == TableEnd::Upper ? 1 : 0; };
        const DistributionTable table = ComputeDistribution(lowest, control);
        QVERIFY(table.IsCheckpointed());
        QCOMPARE(upperTakes.load(), 0);
        const DistributionTable whole = ComputeDistribution(pool);
        const std::int64_t shift = std::int64_t{whole.MinValue()} - table.MinValue();
        for (std::int64_t t = table.MinValue(); t <= table.MaxValue(); ++t)
            QCOMPARE(table.Digits(t), whole.Digits(t + shift));
    }
};

QTEST_APPLESS_MAIN(TestDistribution)
#include "tst_distribution.moc"
