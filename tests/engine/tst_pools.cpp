// SPDX-License-Identifier: MIT
#include "count_limbs.h"
#include "count_reader.h"
#include "count_window.h"
#include "distribution.h"
#include "errors.h"
#include "every_roll.h"
#include "exact_tables.h"
#include "lane_limit.h"
#include "pool_notation.h"
#include "readout.h"
#include "report.h"
#include "split_steps.h"

#include <QRegularExpression>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <functional>
#include <map>
#include <random>
#include <vector>

using namespace dorvanel;
using dorvanel::testing::RelativeDifference;
using dorvanel::testing::SelectedValue;

namespace {

__extension__ typedef unsigned __int128 UInt128;

// Under the sanitizers, where each case costs fifty times as much, the exhaustive tests take
// every seventh case; the normal build takes all.
#ifdef DORVANEL_SANITIZED
constexpr int kCaseStride = 7;
#else
constexpr int kCaseStride = 1;
#endif

// What one die of a term shows as rolled, a face as often as it is written.
std::vector<std::int64_t> RolledFaces(const DiceTerm& term) {
    std::vector<std::int64_t> faces;
    for (const Die::Face& face : term.die.Faces())
        faces.insert(faces.end(), static_cast<std::size_t>(face.weight), face.value);
    return faces;
}

DiceTerm Dice(std::int32_t count, std::int32_t faces, bool fudge = false, bool subtracted = false,
              Modifier modifier = Modifier::None, std::int32_t parameter = 0) {
    DiceTerm term;
    term.count = count;
    term.die = fudge ? Die::Range(-1, 1) : Die::Range(1, faces);
    term.subtracted = subtracted;
    term.modifier = modifier;
    term.parameter = parameter;
    return term;
}

// The count of every total by direct convolution in arithmetic of type Number (modulo
// `modulus` when it is not 0), from the faces as written: plain dice die by die, a modified
// group by every sorted roll of its dice, weighted by the ordered rolls it stands for. No
// symmetry, no shift, no recurrence.
template <typename Number>
std::map<std::int64_t, Number> Convolved(const DicePool& pool, Number modulus = 0) {
    auto add = [modulus](Number& sum, Number count) {
        sum += count;
        if (modulus != 0)
            sum %= modulus;
    };
    std::map<std::int64_t, Number> counts{{pool.Constant(), 1}};
    auto convolve = [&](const std::map<std::int64_t, Number>& values) {
        std::map<std::int64_t, Number> next;
        for (const auto& [total, count] : counts)
            for (const auto& [value, ways] : values)
                add(next[total + value],
                    static_cast<Number>(UInt128{count} * ways % (modulus ? modulus : ~UInt128{0})));
        counts = std::move(next);
    };
    for (const DiceTerm& term : pool.Terms()) {
        const int sign = term.subtracted ? -1 : 1;
        const std::vector<std::int64_t> faces = RolledFaces(term);
        const bool kept =
            term.modifier >= Modifier::KeepHighest && term.modifier <= Modifier::DropLowest;
        if (!kept) {
            // A plain die adds its face; a counted one 1 or 0.
            std::map<std::int64_t, Number> die;
            for (const std::int64_t face : faces) {
                const std::int64_t value =
                    term.modifier == Modifier::None
                        ? face
                        : SelectedValue({face}, term.modifier, term.parameter);
                add(die[sign * value], 1);
            }
            for (std::int32_t i = 0; i < term.count; ++i)
                convolve(die);
            continue;
        }
        // Every sorted roll once, weighted by the ordered rolls it stands for: N!/∏ m_f!, built
        // as a product of binomials so that it stays exact.
        std::map<std::int64_t, Number> group;
        std::vector<std::int64_t> rolled;
        std::function<void(std::size_t, std::size_t, UInt128)> roll =
            [&](std::size_t from, std::size_t left, UInt128 ways) {
                if (left == 0) {
                    add(group[sign * SelectedValue(rolled, term.modifier, term.parameter)],
                        static_cast<Number>(modulus ? ways % modulus : ways));
                    return;
                }
                if (from == faces.size())
                    return;
                UInt128 choose = 1; // C(left, m)
                for (std::size_t m = 0; m <= left; ++m) {
                    roll(from + 1, left - m, ways * choose);
                    rolled.push_back(faces[from]);
                    choose = choose * (left - m) / (m + 1);
                }
                rolled.resize(rolled.size() - left - 1);
            };
        roll(0, static_cast<std::size_t>(term.count), 1);
        convolve(group);
    }
    return counts;
}

UInt128 Value(LimbSpan count) {
    UInt128 value = 0;
    for (std::size_t i = count.size(); i-- > 0;)
        value = value * kLimbBase + count[i];
    return value;
}

std::uint64_t Modulo(LimbSpan count, std::uint64_t modulus) {
    UInt128 value = 0;
    for (std::size_t i = count.size(); i-- > 0;)
        value = (value * kLimbBase + count[i]) % modulus;
    return static_cast<std::uint64_t>(value);
}

// The counts of a pool of plain dice from its smallest total on, modulo `modulus`: die by die,
// each a run of consecutive values, through running sums, quick for ten thousand dice.
std::vector<std::uint64_t> PlainConvolved(const DicePool& pool, std::uint64_t modulus) {
    std::vector<std::uint64_t> counts{1};
    for (const DiceTerm& term : pool.Terms()) {
        const auto width = static_cast<std::size_t>(term.die.Span());
        for (std::int32_t die = 0; die < term.count; ++die) {
            std::vector<std::uint64_t> next(counts.size() + width);
            // Sums of two residues below 2^62 need no division.
            auto add = [modulus](std::uint64_t a, std::uint64_t b) {
                return a + b >= modulus ? a + b - modulus : a + b;
            };
            std::uint64_t window = 0;
            for (std::size_t i = 0; i < next.size(); ++i) {
                if (i < counts.size())
                    window = add(window, counts[i]);
                if (i > width)
                    window = add(window, modulus - counts[i - width - 1]);
                next[i] = window;
            }
            counts = std::move(next);
        }
    }
    return counts;
}

DistributionTable Computed(const DicePool& pool, std::optional<std::uint64_t> budget = {}) {
    RunControl control;
    control.memoryBudget = budget;
    return ComputeDistribution(pool, control);
}

QString Totals(const DistributionTable& table) {
    return QString("%1 … %2").arg(table.MinValue()).arg(table.MaxValue());
}

// "N·d<first> + … + N·d<last>", or each group written `first` … `last` times over.
QString ManySizes(int dice, int first, int last) {
    QStringList terms;
    for (int faces = first; faces <= last; ++faces)
        terms << QString("%1d%2").arg(dice).arg(faces);
    return terms.join(" + ");
}
QString Repeated(const QString& group, int times, const QString& sign = " + ") {
    return QStringList(QList<QString>(times, group)).join(sign);
}

} // namespace

class TestPools : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (!testing::HoldToAskedLanes())
            QSKIP("this processor lacks the lanes DORVANEL_TEST_LANES names");
    }

    // Every pool of one to three terms of up to 6 dice of up to 8 faces or Fudge dice, each
    // with its own signs and constant, against the counts of direct convolution.
    void smallPoolsAgreeWithConvolution() {
        std::vector<DiceTerm> kinds;
        for (std::int32_t count = 1; count <= 6; ++count) {
            for (std::int32_t faces = 1; faces <= 8; ++faces)
                kinds.push_back(Dice(count, faces));
            kinds.push_back(Dice(count, 3, true));
        }
        std::mt19937 random(7);
        int pools = 0;
        int cases = 0;
        auto check = [&](std::vector<DiceTerm> terms) {
            for (DiceTerm& term : terms)
                term.subtracted = random() % 3 == 0;
            const DicePool pool(terms, static_cast<std::int64_t>(random() % 41) - 20);
            if (cases++ % kCaseStride != 0)
                return;
            const DistributionTable table = Computed(pool);
            const auto expected = Convolved<UInt128>(pool);
            QCOMPARE(table.MinValue(), expected.begin()->first);
            QCOMPARE(table.MaxValue(), expected.rbegin()->first);
            CountReader reader(table);
            for (const auto& [total, count] : expected)
                if (Value(reader.Count(total)) != count)
                    QFAIL(qPrintable(QString::fromStdString(pool.Notation()) +
                                     QString(": total %1").arg(total)));
            ++pools;
        };
        for (std::size_t a = 0; a < kinds.size(); ++a) {
            check({kinds[a]});
            for (std::size_t b = a; b < kinds.size(); ++b) {
                check({kinds[a], kinds[b]});
                for (std::size_t c = b; c < kinds.size(); ++c)
                    check({kinds[a], kinds[b], kinds[c]});
            }
        }
        QVERIFY(pools > 29000 / kCaseStride);
    }

    // Larger pools, whole and checkpointed (no room but for the last window, and room for
    // several), read in order, in reverse and shuffled, against convolution modulo two primes;
    // those with kept dice or uneven successes store every count and read forwards only.
    void largePoolsAgreeWithConvolution_data() {
        QTest::addColumn<QString>("notation");
        QTest::newRow("40d6 + 30d8 - 1d20") << "40d6 + 30d8 - 1d20";
        QTest::newRow("300d6 + 200d8") << "300d6 + 200d8";
        QTest::newRow("four sizes") << "20d6 + 15d8 + 10d10 - 5d12 + 3dF + 7";
        QTest::newRow("kept dice beside many") << "300d6 + 4d6kh3";
        QTest::newRow("kept dice, subtracted") << "40d6 - 6d10kl3 - 1d8";
        QTest::newRow("two kept groups") << "3d6kh2 + 2d4kl1 + 20d6";
        // Kept counts of two limbs, and past 62 bits, where they are no longer coefficients.
        QTest::newRow("kept counts of two limbs") << "13d6kh3 + 30d6";
        QTest::newRow("kept counts past 62 bits") << "25d6kh3 - 20d4";
        QTest::newRow("uneven successes") << "200d6 + 30d10>=8";
        QTest::newRow("successes, subtracted") << "50d8 - 40d6>=5 + 5d4=2";
        // More successes than failures: counts that are not symmetric either.
        QTest::newRow("successes more likely") << "200d6 + 30d10>=3";
        // Three rare odds whose failures multiply past 2^31 with n + 1: a step divides in two.
        QTest::newRow("rare odds, divided twice") << "40d6 + 10d1000=1 + 10d999=1 + 10d998=1";
    }
    void largePoolsAgreeWithConvolution() {
        QFETCH(QString, notation);
        const DicePool pool = ParsePool(notation.toStdString());
        const DistributionTable whole = Computed(pool);
        QVERIFY(!whole.IsCheckpointed());
        std::vector<std::int64_t> order;
        for (std::int64_t t = whole.MinValue(); t <= whole.MaxValue(); ++t)
            order.push_back(t);
        std::vector<std::int64_t> shuffled = order;
        std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(11));
        const std::vector<std::int64_t> reversed(order.rbegin(), order.rend());

        for (const std::uint64_t modulus :
             {std::uint64_t{2305843009213693951}, std::uint64_t{4611686018427387847}}) {
            const auto expected = Convolved<std::uint64_t>(pool, modulus);
            QCOMPARE(Totals(whole),
                     QString("%1 … %2").arg(expected.begin()->first).arg(expected.rbegin()->first));
            CountReader wholeReader(whole);
            for (const std::int64_t t : order)
                QCOMPARE(Modulo(wholeReader.Count(t), modulus), expected.at(t));
        }
        for (const std::uint64_t budget : {std::uint64_t{1}, whole.StorageBytes() * 3 / 4}) {
            const DistributionTable table = Computed(pool, budget);
            QVERIFY(table.IsCheckpointed());
            for (const auto& totals : {order, reversed, shuffled}) {
                CountReader reader(table);
                CountReader wholeReader(whole);
                for (const std::int64_t t : totals)
                    if (!std::ranges::equal(reader.Count(t), wholeReader.Count(t)))
                        QFAIL(qPrintable(QString("total %1 differs").arg(t)));
            }
            for (const std::int64_t t : order) {
                QCOMPARE(table.DigitCount(t), whole.DigitCount(t));
                QCOMPARE(table.LeadingDigits(t, 40), whole.LeadingDigits(t, 40));
                QCOMPARE(RelativeDifference(table.AtMostShare(t), whole.AtMostShare(t)), 0.0L);
            }
        }
    }

    // Steps shared by two threads, split from 32 limbs up, against one thread's, count for count:
    // the corrections carried within a block, added in at its end, and blocks cut short.
    void splitStepsAgreeWithOneThread_data() {
        QTest::addColumn<QString>("notation");
        QTest::addColumn<int>("most");
        QTest::newRow("one size, whole blocks") << "200d300" << 64;
        QTest::newRow("one size, short blocks") << "300d100" << 9;
        QTest::newRow("several sizes, reaching back less than a block")
            << "300d6 + 200d8 + 90d4" << 64;
        QTest::newRow("successes, falling counts") << "3000d3>=2" << 64;
    }
    void splitStepsAgreeWithOneThread() {
        QFETCH(QString, notation);
        QFETCH(int, most);
        const DicePool pool = ParsePool(notation.toStdString());
        auto recurrence = std::make_shared<const PoolRecurrence>(pool);
        const auto working = static_cast<std::size_t>(WorkingLimbs(pool));
        const std::int64_t span = recurrence->Reach() + 1;
        CountWindow alone(recurrence, working, span);
        CountWindow shared(recurrence, working, span, SplitSteps::kLongestBlock);
        SplitSteps split(shared, 32, SplitSteps::Choice::AlwaysSplit);
        while (shared.hi() < recurrence->Spread()) {
            const std::int64_t from = shared.hi() + 1;
            split.Forward(std::min<std::int64_t>(most, recurrence->Spread() - shared.hi()));
            for (std::int64_t j = from; j <= shared.hi(); ++j) {
                alone.Forward();
                if (!std::ranges::equal(shared.Count(j), alone.Count(j)))
                    QFAIL(qPrintable(QString("count %1 differs").arg(j)));
            }
        }
        QVERIFY(split.SplitBlocks() > 10);
    }

    // A helper whose step fails, here on a count longer than the window's slots, stops the run
    // with its error rather than leaving the caller waiting.
    void splitStepsStopOnTheHelpersError() {
        const DicePool pool = ParsePool("200d300");
        auto recurrence = std::make_shared<const PoolRecurrence>(pool);
        // The caller's own slot may fill first when the helper is slow to start: the run then
        // stops on the caller's error, and is tried again.
        QString message;
        for (int attempt = 0; attempt < 8; ++attempt) {
            CountWindow shared(recurrence, 40, recurrence->Reach() + 1, SplitSteps::kLongestBlock);
            SplitSteps split(shared, 32, SplitSteps::Choice::AlwaysSplit);
            try {
                while (shared.hi() < recurrence->Spread())
                    split.Forward(SplitSteps::kLongestBlock);
            } catch (const InternalError& error) {
                message = error.what();
            }
            QVERIFY(split.SplitBlocks() > 0);
            // The helper's room, above where the counts are split, is short of the slot's 40
            // limbs.
            const QRegularExpressionMatch room =
                QRegularExpression("longer than (\\d+) limbs").match(message);
            if (room.hasMatch() && room.captured(1).toInt() < 40)
                return;
        }
        QFAIL(qPrintable(message));
    }

    // A correction added into a count's upper limbs carries into a limb of its own, borrows
    // across zeros, and stops the run where the count would come out negative or too long.
    // Limbs are written lowest first.
    void correctionsCarryAndBorrow_data() {
        QTest::addColumn<QString>("upper");
        QTest::addColumn<int>("room");
        QTest::addColumn<qint64>("correction");
        QTest::addColumn<QString>("corrected"); // empty: refused
        QTest::newRow("carries into a new limb")
            << "999999999 999999999" << 3 << qint64{1} << "0 0 1";
        QTest::newRow("several limbs' worth") << "5" << 3 << qint64{4000000000000000001} << "6 0 4";
        QTest::newRow("borrows and shortens")
            << "0 0 1" << 3 << qint64{-1} << "999999999 999999999";
        QTest::newRow("none") << "7 3" << 2 << qint64{0} << "7 3";
        QTest::newRow("negative") << "5" << 3 << qint64{-6} << "";
        QTest::newRow("too long") << "999999999" << 1 << qint64{1} << "";
    }
    void correctionsCarryAndBorrow() {
        QFETCH(QString, upper);
        QFETCH(int, room);
        QFETCH(qint64, correction);
        QFETCH(QString, corrected);
        std::vector<std::uint32_t> limbs(static_cast<std::size_t>(room), 0);
        const QStringList written = upper.split(' ');
        for (qsizetype i = 0; i < written.size(); ++i)
            limbs[static_cast<std::size_t>(i)] = written[i].toUInt();
        try {
            const std::size_t length = AddCorrection(
                limbs.data(), static_cast<std::size_t>(written.size()), limbs.size(), correction);
            QStringList result;
            for (std::size_t i = 0; i < length; ++i)
                result << QString::number(limbs[i]);
            QCOMPARE(result.join(' '), corrected);
        } catch (const InternalError& error) {
            QVERIFY2(corrected.isEmpty(), error.what());
        }
    }

    // Blocks go on two threads or one by how long each way took: a trial of three blocks each
    // way, the first of each untimed, then the faster way until the next trial. A block on two
    // threads more than three times one thread's means the other core is taken: the run goes on
    // one at once, during a trial or between them. 'S' a block on two threads, '1' on one.
    void splitChoiceFollowsTheTimes_data() {
        QTest::addColumn<double>("oneThread");
        QTest::addColumn<double>("twoThreads");
        QTest::addColumn<int>("takenFrom"); // the block from which two threads cost 7
        QTest::addColumn<QString>("ways");
        // A trial that changes nothing doubles the blocks to the next, 64 at first.
        const QString trial = "SSS111";
        QTest::newRow("two cores")
            << 2.0 << 1.0 << 1000 << trial + QString(63, 'S') + "111SSS" + QString(5, 'S');
        QTest::newRow("two threads slower") << 2.0 << 4.0 << 1000 << trial + QString(74, '1');
        QTest::newRow("other core taken between trials")
            << 2.0 << 1.0 << 10 << trial + "SSSSS" + QString(63, '1') + "S" + QString(5, '1');
        QTest::newRow("other core taken during a trial")
            << 2.0 << 1.0 << 72 << trial + QString(63, 'S') + "111" + "S" + QString(7, '1');
    }
    void splitChoiceFollowsTheTimes() {
        QFETCH(double, oneThread);
        QFETCH(double, twoThreads);
        QFETCH(int, takenFrom);
        SplitChoice choice;
        QString ways;
        for (int block = 0; block < 80; ++block) {
            const bool split = choice.Next();
            ways += split ? 'S' : '1';
            choice.Timed(split, !split ? oneThread : block >= takenFrom ? 7.0 : twoThreads);
        }
        QTEST(ways, "ways");
    }

    // Counts long enough for their steps to be shared, in a checkpointed table kept every few
    // dozen totals: every count's digits and a sample of the counts read back from the kept
    // windows, against one thread's window.
    void longCountsCheckpointedAgreeWithOneThread() {
#ifdef DORVANEL_SANITIZED
        QSKIP("80000 steps of 1000 limbs: the shared steps' own test covers them here");
#endif
        const DicePool pool = DicePool::Plain(9300, 10);
        const DistributionTable table = Computed(pool, std::uint64_t{96} << 20);
        QVERIFY(table.IsCheckpointed());
        auto recurrence = std::make_shared<const PoolRecurrence>(pool);
        CountWindow window(recurrence, static_cast<std::size_t>(WorkingLimbs(pool)),
                           recurrence->Reach() + 1);
        CountReader reader(table);
        std::size_t longest = 0;
        for (std::int64_t j = 0; j <= recurrence->Spread(); ++j) {
            if (j > 0)
                window.Forward();
            const LimbSpan count = window.Count(j);
            longest = std::max(longest, count.size());
            const std::int64_t t = table.MinValue() + j;
            if (table.DigitCount(t) != DigitCount(count) ||
                table.LeadingDigits(t, 40) != LeadingDigits(count, 40) ||
                (j % 97 == 0 && !std::ranges::equal(reader.Count(t), count)))
                QFAIL(qPrintable(QString("total %1 differs").arg(t)));
        }
        QVERIFY(longest >= SplitSteps::kMinimumLimbs);
    }

    // Counts past 512 limbs, where every level's division and combination run in their lanes,
    // against convolution modulo a prime.
    void longCountsAgreeWithConvolution_data() {
        QTest::addColumn<QString>("notation");
        QTest::newRow("one size") << "10000d3";
        QTest::newRow("three sizes, subtracted") << "6000d3 - 3000d4 + 1000dF";
    }
    void longCountsAgreeWithConvolution() {
        QFETCH(QString, notation);
        const DicePool pool = ParsePool(notation.toStdString());
        constexpr std::uint64_t kPrime = 2305843009213693951;
        const std::vector<std::uint64_t> expected = PlainConvolved(pool, kPrime);
        const DistributionTable table = Computed(pool);
        QCOMPARE(table.MaxValue() - table.MinValue() + 1,
                 static_cast<std::int64_t>(expected.size()));
        CountReader reader(table);
        std::size_t longest = 0;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const LimbSpan count = reader.Count(table.MinValue() + static_cast<std::int64_t>(i));
            longest = std::max(longest, count.size());
            if (Modulo(count, kPrime) != expected[i])
                QFAIL(qPrintable(QString("total %1 differs").arg(table.MinValue() + i)));
        }
        QVERIFY(longest > 512);
    }

    // Kept dice and counted successes of every N ≤ 5 of up to 6 faces or Fudge dice, every K
    // and mode, added and subtracted, against every roll.
    void modifiedGroupsAgreeWithEveryRoll() {
        int pools = 0;
        for (std::int32_t count = 1; count <= 5; ++count)
            for (std::int32_t faces = 1; faces <= 7; ++faces)
                for (const bool subtracted : {false, true}) {
                    const bool fudge = faces == 7;
                    const std::int32_t counted = fudge ? 3 : faces;
                    std::vector<DiceTerm> terms;
                    for (std::int32_t k = 1; k <= count; ++k)
                        for (const Modifier keep : {Modifier::KeepHighest, Modifier::KeepLowest})
                            terms.push_back(Dice(count, counted, fudge, subtracted, keep, k));
                    for (std::int32_t k = 0; k < count; ++k)
                        for (const Modifier drop : {Modifier::DropHighest, Modifier::DropLowest})
                            terms.push_back(Dice(count, counted, fudge, subtracted, drop, k));
                    for (std::int32_t t = -2; t <= faces + 1; ++t)
                        for (const Modifier success :
                             {Modifier::AtLeast, Modifier::Above, Modifier::AtMost, Modifier::Below,
                              Modifier::Equal})
                            terms.push_back(Dice(count, counted, fudge, subtracted, success, t));
                    for (std::size_t i = 0; i < terms.size(); i += kCaseStride) {
                        const DicePool pool({terms[i]}, 0);
                        const auto expected = Convolved<UInt128>(pool);
                        const DistributionTable table = Computed(pool);
                        QCOMPARE(table.MinValue(), expected.begin()->first);
                        QCOMPARE(table.MaxValue(), expected.rbegin()->first);
                        CountReader reader(table);
                        for (const auto& [total, ways] : expected)
                            if (Value(reader.Count(total)) != ways)
                                QFAIL(qPrintable(QString::fromStdString(pool.Notation()) +
                                                 QString(": total %1").arg(total)));
                        ++pools;
                    }
                }
        QVERIFY(pools > 2500 / kCaseStride);
    }

    // Successes are binomial: C(N, k)·s^k·f^(N − k) ways to roll k of them.
    void successesAreBinomial() {
        const DistributionTable table = Computed(ParsePool("30d10>=7"));
        UInt128 binomial = 1;
        CountReader reader(table);
        for (UInt128 k = 0; k <= 30; ++k) {
            UInt128 ways = binomial;
            for (UInt128 i = 0; i < 30; ++i)
                ways *= i < k ? 4 : 6;
            QVERIFY(Value(reader.Count(static_cast<std::int64_t>(k))) == ways);
            binomial = binomial * (30 - k) / (k + 1);
        }
    }

    // Tables that are not symmetric: the mean, the largest count at the graph's top, the
    // median and most likely totals, and at most and at least adding up to all outcomes.
    void figuresOfTablesThatAreNotSymmetric() {
        const DistributionTable table = Computed(ParsePool("4d6kh3"));
        QVERIFY(!table.Index().Symmetric());
        QCOMPARE(ValueText(table.pool().Bounds()), "Value: 12.2445987654321");
        QCOMPARE(ValuePossibilitiesText(table), "Value Possibilities: 167");
        QCOMPARE(ProbabilityText(table), "Probability of Value: 12.885%");
        auto median = [](const char* pool) {
            return StatisticsLines(Computed(ParsePool(pool))).at(2);
        };
        QCOMPARE(median("4d6kh3"), "Median: 12");
        QCOMPARE(table.PeakTotal(), 13);
        // Half the outcomes at or below 0, and exactly half at or below 3: the smallest total
        // whose outcomes at or below reach one half.
        QCOMPARE(median("2d4>=4"), "Median: 0");
        QCOMPARE(median("3d2kh2"), "Median: 3");
        // 2^-50 of the outcomes tip 151 just past a half, closer than the shares can tell.
        QCOMPARE(median("101d2 - 50d2kl1 + 1"), "Median: 151");
        // Successes as likely as failures keep the counts symmetric.
        QCOMPARE(median("2d4>=3"), "Median: 1");
        for (const char* notation : {"4d6kh3", "300d6 + 2d20kl1", "40d10>=8 - 3"}) {
            const DistributionTable asymmetric = Computed(ParsePool(notation));
            for (std::int64_t t = asymmetric.MinValue(); t < asymmetric.MaxValue(); ++t)
                QVERIFY(
                    RelativeDifference(asymmetric.AtMostShare(t) + asymmetric.AtLeastShare(t + 1),
                                       WideNumber(1.0L)) < 1e-12L);
        }
    }

    // Every total with the largest count, runs of them as ranges: flat runs of symmetric counts
    // reach far from the middle, in the whole table and in checkpoints, where counts past their
    // top limbs differ only low down (240 has one outcome fewer than 241).
    void mostLikelyTotals_data() {
        QTest::addColumn<QString>("notation");
        QTest::addColumn<bool>("checkpointed");
        QTest::addColumn<QString>("totals");
        QTest::newRow("1d20") << "1d20" << false << "1 to 20";
        QTest::newRow("1d20 + 1d4") << "1d20 + 1d4" << false << "5 to 21";
        QTest::newRow("d% + 3d6") << "d% + 3d6" << false << "19 to 103";
        QTest::newRow("3d6") << "3d6" << false << "10 and 11";
        QTest::newRow("long counts, whole") << "1d1000 + 40d6" << false << "241 to 1040";
        QTest::newRow("long counts, checkpointed") << "1d1000 + 40d6" << true << "241 to 1040";
        QTest::newRow("runs apart") << "1d{1,2,3,5,6,7}" << false << "1 to 3 and 5 to 7";
        QTest::newRow("single totals apart") << "1d{1,3,5}" << false << "1, 3 and 5";
    }
    void mostLikelyTotals() {
        QFETCH(QString, notation);
        QFETCH(bool, checkpointed);
        const DistributionTable table =
            Computed(ParsePool(notation.toStdString()),
                     checkpointed ? std::optional<std::uint64_t>(1) : std::nullopt);
        QCOMPARE(table.IsCheckpointed(), checkpointed);
        QTEST(QString::fromStdString(MostLikelyText(table)), "totals");
    }

    // The exact mean and the spread of pools whose mean is not halfway between their ends:
    // plain dice beside kept ones, and counted successes.
    void meanAndSpreadOfUnevenPools_data() {
        QTest::addColumn<QString>("notation");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("deviation");
        QTest::newRow("plain beside kept") << "2d8 + 4d6kh3 - 1d4 + 3"
                                           << "Value: 21.7445987654321"
                                           << "Standard deviation: 4.45584";
        QTest::newRow("successes beside plain") << "10d10>=8 + 3d6 - 2"
                                                << "Value: 11.5"
                                                << "Standard deviation: 3.29393";
        QTest::newRow("subtracted successes") << "-7d6>=5 + 1d20"
                                              << "Value: 8.16666666666667"
                                              << "Standard deviation: 5.89962";
    }
    void meanAndSpreadOfUnevenPools() {
        QFETCH(QString, notation);
        const DistributionTable table = Computed(ParsePool(notation.toStdString()));
        QTEST(QString::fromStdString(ValueText(table.pool().Bounds())), "value");
        QTEST(QString::fromStdString(StatisticsLines(table).at(1)), "deviation");
    }

    // Kept dice beyond about ten seconds are refused before anything is computed, the message
    // saying how far they go.
    void keptDiceBeyondTheLimitAreRefused() {
        try {
            PlanAnalysis(ParsePool("2000d6kh1000"), std::nullopt, std::nullopt);
            QFAIL("no error");
        } catch (const PoolLimitError& error) {
            QVERIFY2(QString(error.what()).contains("1000d6kh500"), error.what());
        }
        PlanAnalysis(ParsePool("1000d6kh500"), std::nullopt, std::nullopt);
    }

    // Groups written alike are one, as dice of a size are, and count as the single group does.
    // Kept dice stay apart: the highest 3 of 8 dice are not the highest 3 of 4 twice. Groups
    // written differently with the same odds of success, of either sign, stay apart in the
    // notation but are one factor to count.
    void equalGroupsMerge_data() {
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("notation");
        QTest::newRow("successes") << Repeated("1d6>=4", 70) << "70d6>=4";
        QTest::newRow("Fudge successes") << Repeated("1dF>0", 40) << "40dF>0";
        QTest::newRow("subtracted successes")
            << "-" + Repeated("1d10>=8", 40, " - ") << "-40d10>=8";
        QTest::newRow("opposite signs apart")
            << Repeated("1d6>=4 - 1d6>=4", 35) << "35d6>=4 - 35d6>=4";
        QStringList evenOdds;
        for (const char* sign : {" + ", " - "})
            for (int faces = 2; faces <= 20; faces += 2)
                for (const QString& condition :
                     {QString(">=%1").arg(faces / 2 + 1), QString("<=%1").arg(faces / 2),
                      QString(">%1").arg(faces / 2), QString("<%1").arg(faces / 2 + 1)})
                    evenOdds << (evenOdds.isEmpty() ? "" : sign) + QString("1d%1").arg(faces) +
                                    condition;
        QTest::newRow("one odds, 80 conditions") << evenOdds.join("") << evenOdds.join("");
        QTest::newRow("kept dice apart") << "4d6kh3 + 4d6kh3"
                                         << "4d6kh3 + 4d6kh3";
    }
    void equalGroupsMerge() {
        QFETCH(QString, written);
        QFETCH(QString, notation);
        const DicePool pool = ParsePool(written.toStdString());
        QCOMPARE(QString::fromStdString(pool.Notation()), notation);
        const DistributionTable table = Computed(pool);
        const auto expected = Convolved<std::uint64_t>(pool, std::uint64_t{2305843009213693951});
        QCOMPARE(Totals(table),
                 QString("%1 … %2").arg(expected.begin()->first).arg(expected.rbegin()->first));
        CountReader reader(table);
        for (const auto& [total, count] : expected)
            QCOMPARE(Modulo(reader.Count(total), 2305843009213693951), count);
    }

    // A pool that would take minutes, or whose coefficients leave 64 bits, is refused before
    // anything is counted, saying which and naming how many of its first dice can be counted:
    // the plan takes those.
    void refusalsNameWhatAnswers_data() {
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("reason");
        QTest::newRow("minutes") << ManySizes(5, 950, 999) << "would take about";
        QTest::newRow("many sizes")
            << ManySizes(1, 2, 300) << ": 299 different sizes of dice are too many";
        QStringList odds;
        for (int face = 2; face <= 99; ++face)
            odds << QString("1d100>=%1").arg(face);
        QTest::newRow("one size, many odds")
            << odds.join(" + ") << ": successes at 98 different odds are too many";
    }
    void refusalsNameWhatAnswers() {
        QFETCH(QString, written);
        QFETCH(QString, reason);
        const DicePool pool = ParsePool(written.toStdString());
        QString message;
        try {
            PlanAnalysis(pool, std::nullopt, std::nullopt);
        } catch (const PoolLimitError& error) {
            message = error.what();
        }
        QVERIFY2(message.contains(reason), qPrintable(message));
        QVERIFY2(pool.Groups().size() > 1 || !message.contains("sizes"), qPrintable(message));
        const QRegularExpressionMatch named =
            QRegularExpression("its first (\\d+) of (\\d+) dice, through (\\S+),").match(message);
        QVERIFY2(named.hasMatch(), qPrintable(message));
        QCOMPARE(named.captured(2).toLongLong(), pool.DiceCount());
        std::int64_t left = named.captured(1).toLongLong();
        std::vector<DiceTerm> first;
        for (DiceTerm term : pool.Terms()) {
            if (left == 0)
                break;
            term.count = static_cast<std::int32_t>(std::min<std::int64_t>(term.count, left));
            left -= term.count;
            first.push_back(term);
        }
        QCOMPARE(QString::fromStdString(DicePool({first.back()}, 0).Notation()), named.captured(3));
        PlanAnalysis(DicePool(first, 0), std::nullopt, std::nullopt);
    }

    // A raised flag stops planning, the recurrence's set-up included.
    void cancelledPlanningStops() {
        const DicePool pool = ParsePool(("3d6 + " + ManySizes(1, 2, 160)).toStdString());
        std::atomic<bool> cancel{true};
        QVERIFY_THROWS_EXCEPTION(AnalysisCancelled, PoolRecurrence(pool, &cancel));
        QVERIFY_THROWS_EXCEPTION(AnalysisCancelled, PlanAnalysis(pool, std::nullopt, std::nullopt,
                                                                 TablePurpose::Listing, &cancel));
    }

    void notation_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("notation");
        QTest::addColumn<int>("minValue");
        QTest::addColumn<int>("maxValue");
        QTest::newRow("sum and constant") << "3d6 + 2d8 + 5"
                                          << "3d6 + 2d8 + 5" << 10 << 39;
        QTest::newRow("no spaces, D") << "3D6+2d8+5"
                                      << "3d6 + 2d8 + 5" << 10 << 39;
        QTest::newRow("one die") << "d20 + 7"
                                 << "1d20 + 7" << 8 << 27;
        QTest::newRow("subtracted") << "2d6 - 1d4"
                                    << "2d6 - 1d4" << -2 << 11;
        QTest::newRow("typographic minus") << "2d6 \u2212 1d4"
                                           << "2d6 - 1d4" << -2 << 11;
        QTest::newRow("leading sign") << " -2d6 + 20 "
                                      << "-2d6 + 20" << 8 << 18;
        QTest::newRow("percentile") << "d%"
                                    << "1d100" << 1 << 100;
        QTest::newRow("fudge") << "4dF"
                               << "4dF" << -4 << 4;
        QTest::newRow("equal sizes merge") << "3d6 + 2d6 - 1"
                                           << "5d6 - 1" << 4 << 29;
        QTest::newRow("d1 is a constant") << "3d1 + 2"
                                          << "3d1 + 2" << 5 << 5;
        QTest::newRow("largest") << "10000d1000"
                                 << "10000d1000" << 10000 << 10000000;
        QTest::newRow("keep highest") << "4d6kh3"
                                      << "4d6kh3" << 3 << 18;
        QTest::newRow("keep, short") << "4d6k3"
                                     << "4d6kh3" << 3 << 18;
        QTest::newRow("disadvantage") << "-2d20kl1 + 5"
                                      << "-2d20kl1 + 5" << -15 << 4;
        QTest::newRow("drop lowest") << "4d6dl1"
                                     << "4d6dl1" << 3 << 18;
        QTest::newRow("drop none") << "4d6dh0"
                                   << "4d6dh0" << 4 << 24;
        QTest::newRow("successes") << "6d6>=5 + 2"
                                   << "6d6>=5 + 2" << 2 << 8;
        QTest::newRow("no face succeeds") << "3d6=7"
                                          << "3d6=7" << 0 << 0;
        QTest::newRow("every face succeeds") << "3d6<=6"
                                             << "3d6<=6" << 3 << 3;
        QTest::newRow("Fudge successes") << "4dF>-1"
                                         << "4dF>-1" << 0 << 4;
        QTest::newRow("subtracted successes") << "10 - 5d10<3"
                                              << "-5d10<3 + 10" << 5 << 10;
    }
    void notation() {
        QFETCH(QString, text);
        const DicePool pool = ParsePool(text.toStdString());
        QTEST(QString::fromStdString(pool.Notation()), "notation");
        QTEST(pool.MinValue(), "minValue");
        QTEST(pool.MaxValue(), "maxValue");
    }

    void notationErrors_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("stray letter")
            << "3d6 + 2x8"
            << "3d6 + 2x8: 'x' at position 8 is not part of a die or a number";
        QTest::newRow("too many dice") << "5000d6 + 5001d8"
                                       << "10001 dice: at most 10000 dice in all";
        QTest::newRow("too many counted dice")
            << "5000d6>=5 + 5001d8>7 + 10000d1000"
            << "10001 dice counted for successes: at most 10000 in all";
        QTest::newRow("summed beside counted") << "10000d6>=5 + 5000d6 + 5001d8"
                                               << "10001 dice: at most 10000 dice in all";
        QTest::newRow("empty") << "  "
                               << "  : no dice or number given";
        QTest::newRow("trailing sign") << "3d6 +"
                                       << "3d6 +: a term is missing at position 6";
        QTest::newRow("missing sign") << "3d6 2d8"
                                      << "3d6 2d8: + or - missing at position 5";
        QTest::newRow("no faces") << "3d"
                                  << "3d: the number of faces is missing at position 3";
        QTest::newRow("no dice in a term")
            << "0d6"
            << "0d6: the number of dice at position 1 must be from 1 to 10000";
        QTest::newRow("too many faces")
            << "2d1001"
            << "2d1001: the number of faces at position 3 must be from 1 to 1000";
        QTest::newRow("a die after a die") << "3d6 d8"
                                           << "3d6 d8: + or - missing at position 5";
        QTest::newRow("two modifiers") << "3d6kh2>=4"
                                       << "3d6kh2>=4: a second keep, drop or count at position 7";
        QTest::newRow("keeping more than rolled")
            << "4d6kh5"
            << "4d6kh5: the dice kept at position 4 must be from 1 to 4";
        QTest::newRow("dropping all")
            << "4d6dl4"
            << "4d6dl4: the dice dropped at position 4 must be from 0 to 3";
        QTest::newRow("no threshold") << "4d6>="
                                      << "4d6>=: a number is missing at position 6";
        QTest::newRow("constant too large")
            << "1d6 + 99999999999"
            << "1d6 + 99999999999: the number at position 7 is too large";
        QTest::newRow("totals beyond 32 bits")
            << "d6 + 2147483647"
            << "d6 + 2147483647: totals must stay within -2147483648 to "
               "2147483647";
        QTest::newRow("not ASCII") << "3d6 \u00d7 2"
                                   << "3d6 \u00d7 2: '\u00d7' at position 5 is not "
                                      "part of a die or a number";
    }
    void notationErrors() {
        QFETCH(QString, text);
        QFETCH(QString, message);
        try {
            ParsePool(text.toStdString());
            QFAIL("no error");
        } catch (const NotationError& error) {
            QCOMPARE(QString::fromUtf8(error.what()), message);
        }
    }

    // Terms after the spin edits' dice count towards the 10000 dice in all; the dice alone
    // may be typed beyond it.
    void furtherTermsAfterDice() {
        const DicePool plain = DicePool::Plain(3, 6);
        QCOMPARE(ParsePool("+ 2d8 + 5", plain).Notation(), "3d6 + 2d8 + 5");
        QCOMPARE(ParsePool("2d6", plain).Notation(), "5d6");
        QVERIFY_THROWS_EXCEPTION(NotationError, ParsePool("+ 1d6", DicePool::Plain(10000, 6)));
        QCOMPARE(DicePool::Plain(20000, 6).DiceCount(), 20000);
    }

    // Summary texts of pools, from their exact counts: 3d6 + 2d8 + 5 has 13824 outcomes, 1206
    // of them at 24; a pool of negative totals lists them with their signs.
    void labelsAndListingOfPools() {
        const DistributionTable table = Computed(ParsePool("3d6 + 2d8 + 5"));
        QCOMPARE(TotalPossibleRollsText(table.pool()), "Total Possible Rolls: 13824");
        QCOMPARE(RangeText(table.pool().Bounds()), "Min.: 10    Max.: 39");
        QCOMPARE(ValueText(table.pool().Bounds()), "Value: 24.5");
        QCOMPARE(ValuePossibilitiesText(table), "Value Possibilities: 1206");
        QCOMPARE(ProbabilityText(table), "Probability of Value: 8.723%");

        const DistributionTable negative = Computed(ParsePool("-2d6 - 3"));
        const Listing listing(negative);
        QCOMPARE(listing.LineCount(), 11);
        QCOMPARE(listing.Line(0), "-15: 1");
        QCOMPARE(listing.Line(5), "-10: 6");
        QCOMPARE(listing.Line(10), " -5: 1");
        QCOMPARE(ValueText(negative.pool().Bounds()), "Value: -10");
        QCOMPARE(StatisticsLines(Computed(ParsePool("-3d6"))).at(3), "Most likely: -11 and -10");
        // Totals up to 1 are there to draw, and cannot occur.
        QCOMPARE(negative.LastTotal(), 1);
        QVERIFY(negative.IsZero(0));
        QCOMPARE(negative.AtMostShare(1).Format(6), "1");
        QCOMPARE(negative.AtLeastShare(1).Format(6), "0");
    }
};

QTEST_APPLESS_MAIN(TestPools)
#include "tst_pools.moc"
