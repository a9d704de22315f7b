// SPDX-License-Identifier: MIT
// Groups in braces against every roll: each die, or each sub-total, enumerated over all its
// outcomes, then the group's selection applied to the values as a table would.
#include "analysis_plan.h"
#include "brace_group.h"
#include "distribution.h"
#include "errors.h"
#include "every_roll.h"
#include "pool_explanation.h"
#include "pool_notation.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <numeric>
#include <vector>

using namespace dorvanel;
using namespace dorvanel::testing;

namespace {

Tally DieTally(const Die& die) {
    Tally tally;
    for (const Die::Face& face : die.Faces())
        tally[face.value] += static_cast<unsigned long long>(face.weight);
    return tally;
}

// Every outcome of the given values, each taken from its own tally, scored by `score`.
Tally Enumerate(const std::vector<Tally>& each,
                const std::function<std::int64_t(std::vector<std::int64_t>)>& score) {
    std::vector<std::vector<std::pair<std::int64_t, unsigned long long>>> lists;
    for (const Tally& tally : each)
        lists.emplace_back(tally.begin(), tally.end());
    Tally result;
    std::vector<std::size_t> at(lists.size(), 0);
    for (;;) {
        std::vector<std::int64_t> values;
        unsigned long long ways = 1;
        for (std::size_t i = 0; i < lists.size(); ++i) {
            values.push_back(lists[i][at[i]].first);
            ways *= lists[i][at[i]].second;
        }
        result[score(values)] += ways;
        std::size_t i = 0;
        while (i < lists.size() && ++at[i] == lists[i].size())
            at[i++] = 0;
        if (i == lists.size())
            return result;
    }
}

Tally Plus(const Tally& a, const Tally& b, bool subtracted) {
    Tally sum;
    for (const auto& [x, m] : a)
        for (const auto& [y, n] : b)
            sum[x + (subtracted ? -y : y)] += m * n;
    return sum;
}

// A pool without groups: each term's dice enumerated and selected, then added.
Tally PoolTally(const DicePool& pool) {
    Tally total{{pool.Constant(), 1}};
    for (const DiceTerm& term : pool.Terms()) {
        const std::vector<Tally> dice(static_cast<std::size_t>(term.count),
                                      DieTally(ValueOf(term)));
        const Modifier keep = Keeps(term) ? term.modifier : Modifier::None;
        total = Plus(total,
                     Enumerate(dice,
                               [&](const std::vector<std::int64_t>& values) {
                                   return SelectedValue(values, keep, term.parameter);
                               }),
                     term.subtracted);
    }
    return total;
}

Tally GroupTally(const BraceGroup& group) {
    std::vector<Tally> each;
    if (group.pooled) {
        for (const DiceTerm& term : group.members.front().Terms())
            each.insert(each.end(), static_cast<std::size_t>(term.count), DieTally(ValueOf(term)));
    } else {
        for (const DicePool& member : group.members)
            each.push_back(PoolTally(member));
    }
    return Enumerate(each, [&](const std::vector<std::int64_t>& values) {
        return SelectedValue(values, group.modifier, group.parameter);
    });
}

} // namespace

class TestBraceGroups : public QObject {
    Q_OBJECT
private slots:
    void groupsAgreeWithEveryRoll_data() {
        QTest::addColumn<QString>("notation");
        for (const char* notation : {
                 "{d12 + d10 + d8}kh2",
                 "{d6 + d8}kl1",
                 "{2d6 + 2d4}dl1",
                 "{3d4 + 2d6}dh2",
                 "{2d4 + d6 + d{0,0,3}}kh2",
                 "{2d4ro1 + 2d6min3 + 1d3!!}kh2",
                 "{d{-2..1} + 2d3}kl2",
                 "{1d20 + 5, 1d12 + 8}kh1",
                 "{1d6 + 1, 2d4, 1d8 - 2}kl2",
                 "{4d4kh3, 1d10, 2d3>=2}kh1",
                 "{2d4, 2d4, 1d6 + 1}dl1",
                 "{3d6, 3d6, 3d6}>=10",
                 "{2d6, 1d8 + 2}<6",
                 "2d4 - {3d4 + 2d3}kh3 + {2d4, 1d6}kh1 + 3",
             })
            QTest::newRow(notation) << QString(notation);
    }
    void groupsAgreeWithEveryRoll() {
        QFETCH(QString, notation);
        const DicePool pool = ParsePool(notation.toStdString(), {}, 2);
        QVERIFY(!pool.Braces().empty());
        Tally expected = PoolTally(pool);
        for (const auto& group : pool.Braces())
            expected = Plus(expected, GroupTally(*group), group->subtracted);
        CompareWithEveryRoll(pool, expected);
    }

    // Many dice of two kinds, whose counts take many primes: against dice of one kind kept,
    // which the two kinds equal when they are alike but for a reroll of nothing.
    void manyDiceOfOneKindKeptAlike() {
        const DicePool mixed = ParsePool("{60d6 + 40d6r7}kh30");
        QVERIFY(!mixed.Braces().empty());
        const DistributionTable a = ComputeDistribution(mixed, RunControl{});
        const DistributionTable b = ComputeDistribution(ParsePool("100d6kh30"), RunControl{});
        QCOMPARE(a.MinValue(), b.MinValue());
        QCOMPARE(a.MaxValue(), b.MaxValue());
        for (std::int64_t t = a.MinValue(); t <= a.MaxValue(); ++t)
            QCOMPARE(a.Digits(t), b.Digits(t));
        QCOMPARE(mixed.MeanValue(), ParsePool("100d6kh30").MeanValue());
    }

    // A group beyond about ten seconds is refused naming a smaller one, which answers.
    void tooLargeIsRefusedWithWhatAnswers() {
        const std::string refused = "{200d6 + 200d8 + 200d10}kh200";
        try {
            PlanAnalysis(ParsePool(refused), std::nullopt, std::nullopt);
            QFAIL("not refused");
        } catch (const PoolLimitError& error) {
            // How far it goes depends on the cores there are.
            const std::string message = error.what();
            const std::string start = refused + " is too large to be counted in reasonable time; ";
            const std::string end = " answers";
            QVERIFY2(message.starts_with(start) && message.ends_with(end), message.c_str());
            const std::string answers =
                message.substr(start.size(), message.size() - start.size() - end.size());
            QVERIFY2(answers.ends_with("d10}kh" + answers.substr(1, answers.find('d') - 1)),
                     answers.c_str());
            PlanAnalysis(ParsePool(answers), std::nullopt, std::nullopt);
        }
    }

    // Sub-totals are counted for the labels before the run: large ones are refused as read.
    void largeSubTotalsAreRefusedAsRead() {
        try {
            ParsePool("1d4 + {300d6, 300d8}kh1");
            QFAIL("not refused");
        } catch (const NotationError& error) {
            const QString message = QString::fromUtf8(error.what());
            const QString start = "1d4 + {300d6, 300d8}kh1: the sub-totals of the group at "
                                  "position 7 are too large to count at once; {";
            QVERIFY2(message.startsWith(start) && message.endsWith("d8}kh1 answers"),
                     qPrintable(message));
            ParsePool(
                message.mid(start.size() - 1, message.size() - start.size() - 7).toStdString());
        }
    }

    void explanation() {
        QCOMPARE(Explanation(ParsePool("3d6 - {4d6 + 3d8r1}kh3")),
                 "3d6 - {4d6 + 3d8r1}kh3: 3 six-sided dice, added; pooled 4 six-sided dice and 3 "
                 "eight-sided dice, a 1 rerolled until it is not; the 3 highest subtracted");
        QCOMPARE(Explanation(ParsePool("{3d6, 3d6, 3d6}>=10")),
                 "{3d6, 3d6, 3d6}>=10: the sub-totals 3d6, 3d6 and 3d6; each sub-total of 10 or "
                 "more counts 1");
    }
};

QTEST_GUILESS_MAIN(TestBraceGroups)
#include "tst_brace_groups.moc"
