// SPDX-License-Identifier: MIT
// Dice that are not plain against every explicit roll: each die rolled as many times as it may
// roll (twice a reroll once, depth + 1 times an explosion), every tape of rolls counted once.
#include "distribution.h"
#include "errors.h"
#include "every_roll.h"
#include "pool_notation.h"
#include "report.h"

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

bool Meets(std::int64_t face, const Condition& condition) {
    switch (condition.compare) {
    case Condition::Compare::Below:
        return face < condition.value;
    case Condition::Compare::AtMost:
        return face <= condition.value;
    case Condition::Compare::Above:
        return face > condition.value;
    case Condition::Compare::AtLeast:
        return face >= condition.value;
    default:
        return face == condition.value;
    }
}

std::optional<Condition> Success(const DiceTerm& term) {
    using Compare = Condition::Compare;
    switch (term.modifier) {
    case Modifier::AtLeast:
        return Condition{Compare::AtLeast, term.parameter};
    case Modifier::Above:
        return Condition{Compare::Above, term.parameter};
    case Modifier::AtMost:
        return Condition{Compare::AtMost, term.parameter};
    case Modifier::Below:
        return Condition{Compare::Below, term.parameter};
    case Modifier::Equal:
        return Condition{Compare::Equal, term.parameter};
    default:
        return std::nullopt;
    }
}

// One die's value for one tape of rolls, played out as a table would: reroll, explode, clamp,
// then score when successes are counted.
std::int64_t PlayDie(const DiceTerm& term, const std::vector<std::int64_t>& tape) {
    std::size_t next = 0;
    auto roll = [&]() {
        std::int64_t face = tape[next++];
        if (term.reroll && term.reroll->once) {
            const std::int64_t again = tape[next++];
            if (Meets(face, term.reroll->when))
                face = again;
        }
        return face;
    };
    const std::optional<Condition> success = Success(term);
    auto score = [&](std::int64_t value) {
        return (success && Meets(value, *success) ? 1 : 0) -
               (term.failure && Meets(value, *term.failure) ? 1 : 0);
    };
    std::int64_t face = roll();
    std::int64_t value = face;
    std::int64_t scored = score(face);
    if (term.explosion) {
        std::int64_t highest = std::numeric_limits<std::int64_t>::min();
        for (const Die::Face& f : term.die.Faces())
            if (!term.reroll || term.reroll->once || !Meets(f.value, term.reroll->when))
                highest = std::max<std::int64_t>(highest, f.value);
        const Condition on = term.explosion->when.value_or(
            Condition{Condition::Compare::Equal, static_cast<std::int32_t>(highest)});
        for (std::int32_t extra = 0; extra < term.explosion->depth && Meets(face, on); ++extra) {
            face = roll();
            const std::int64_t shown =
                face - (term.explosion->kind == Explosion::Kind::Penetrating ? 1 : 0);
            value += shown;
            scored += score(shown);
        }
    }
    if (term.atLeast)
        value = std::max<std::int64_t>(value, *term.atLeast);
    if (term.atMost)
        value = std::min<std::int64_t>(value, *term.atMost);
    if (!success)
        return value;
    return term.explosion && term.explosion->kind == Explosion::Kind::EachRoll ? scored
                                                                               : score(value);
}

// Every value of one die with the number of tapes that give it.
Tally DieValues(const DiceTerm& term) {
    std::vector<std::int64_t> faces;
    for (const Die::Face& face : term.die.Faces())
        if (!term.reroll || term.reroll->once || !Meets(face.value, term.reroll->when))
            faces.insert(faces.end(), static_cast<std::size_t>(face.weight), face.value);
    const std::size_t length = (term.reroll && term.reroll->once ? 2 : 1) *
                               (term.explosion ? term.explosion->depth + 1 : 1);
    Tally values;
    std::vector<std::size_t> at(length, 0);
    for (;;) {
        std::vector<std::int64_t> tape;
        for (const std::size_t i : at)
            tape.push_back(faces[i]);
        ++values[PlayDie(term, tape)];
        std::size_t i = 0;
        while (i < length && ++at[i] == faces.size())
            at[i++] = 0;
        if (i == length)
            return values;
    }
}

// The term's totals over every roll of all its dice, kept ones selected from the sorted values.
Tally TermTotals(const DiceTerm& term) {
    const Tally die = DieValues(term);
    const std::vector<std::pair<std::int64_t, unsigned long long>> values(die.begin(), die.end());
    const auto n = static_cast<std::size_t>(term.count);
    const std::int64_t k = term.parameter;
    Tally totals;
    std::vector<std::size_t> at(n, 0);
    for (;;) {
        std::vector<std::int64_t> rolled;
        unsigned long long ways = 1;
        for (const std::size_t i : at) {
            rolled.push_back(values[i].first);
            ways *= values[i].second;
        }
        const std::int64_t total =
            SelectedValue(rolled, Keeps(term) ? term.modifier : Modifier::None, k);
        totals[term.subtracted ? -total : total] += ways;
        std::size_t i = 0;
        while (i < n && ++at[i] == values.size())
            at[i++] = 0;
        if (i == n)
            return totals;
    }
}

} // namespace

class TestAnyDie : public QObject {
    Q_OBJECT
private slots:
    void modifiedDiceAgreeWithEveryRoll_data() {
        QTest::addColumn<QString>("notation");
        QTest::addColumn<int>("depth");
        const std::pair<const char*, int> rows[] = {
            {"2d6ro<3", 10},
            {"3d4ro1", 10},
            {"2d4r1", 10},
            {"2d{1,1,2,3}r=1", 10},
            {"2d4!", 2},
            {"2d3!!", 3},
            {"2d3!p", 3},
            {"2d4!>=3", 2},
            {"3d4min2", 10},
            {"2d6max4min2", 10},
            {"3d4>=3f1", 10},
            {"2d4!4>=3f1", 2},
            {"2d4!4>=3", 2},
            {"2d4!!>=5", 2},
            {"3d4!!kh2", 2},
            {"3d{0,0,1,2}kl2", 10},
            {"2d{-1..1}!", 3},
            {"-2d4ro1!", 2},
            {"2d4ro<3!min3", 1},
            {"3d{1,2,4,8}dh1", 10},
            {"2d6!0", 0},
            {"2d4!p>=3>2f=1", 2},
            {"4d3!!k2", 2},
            {"3d4!!d1", 2},
            {"2d5r>4!", 2},
            {"2d4!!<2", 2},
            // Sparser as a ratio of polynomials than as faces: counted by the recurrence.
            {"2d6!", 3},
            {"-2d6!p", 3},
            {"2d10!>=9", 2},
            {"2d6ro1!", 2},
            {"3d6!>=5>=5f1", 3},
            {"2d{0,1,1,3}!", 3},
        };
        for (const auto& [notation, depth] : rows)
            QTest::newRow(notation) << QString(notation) << depth;
    }
    void modifiedDiceAgreeWithEveryRoll() {
        QFETCH(QString, notation);
        QFETCH(int, depth);
        const DicePool pool = ParsePool(notation.toStdString(), {}, depth);
        QCOMPARE(pool.Terms().size(), std::size_t{1});
        // The mean as the labels give it, from the dice alone, before any count.
        CompareWithEveryRoll(pool, TermTotals(pool.Terms().front()));
    }

    // Totals no roll gives get no line, whole or checkpointed.
    void listingLeavesOutImpossibleTotals_data() {
        QTest::addColumn<QString>("notation");
        QTest::addColumn<QString>("totals");
        QTest::newRow("kept") << "4d{1,2,4,8}kh2"
                              << "2 3 4 5 6 8 9 10 12 16";
        QTest::newRow("exploding") << "1d4!"
                                   << "1 2 3 5 6 7 9 10 11 12";
        QTest::newRow("gaps at both ends") << "d{0,10,11} + 3"
                                           << "3 13 14";
    }
    void listingLeavesOutImpossibleTotals() {
        QFETCH(QString, notation);
        QFETCH(QString, totals);
        const DicePool pool = ParsePool(notation.toStdString(), {}, 2);
        for (const std::uint64_t budget : {std::uint64_t{1} << 30, std::uint64_t{1}}) {
            RunControl control;
            control.memoryBudget = budget;
            const DistributionTable table = ComputeDistribution(pool, control);
            const Listing listing(table);
            QStringList listed;
            for (std::int64_t line = 0; line < listing.LineCount(); ++line) {
                listed << QString::number(listing.TotalAt(line));
                QCOMPARE(table.LineOf(listing.TotalAt(line)), line);
            }
            QCOMPARE(listed.join(' '), totals);
        }
    }

    // The rows above that the recurrence counts, lest they all fall back to their faces.
    void sparseExplosionsAreRatios() {
        for (const char* notation : {"2d6!", "-2d6!p", "2d10!>=9", "2d6ro1!", "2d{0,1,1,3}!"})
            QVERIFY2(!ParsePool(notation, {}, 3).Ratios().empty(), notation);
    }

    // Readings that other dice rollers differ on, and the refusals, with where they point.
    void notation_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("result");
        const std::pair<const char*, const char*> rows[] = {
            {"3D6 KH 2", "3d6kh2"},
            {"4d6k3 + 4d6d1", "4d6kh3 + 4d6dl1"},
            {"10d10!>=8", "10d10!>=8"},
            {"10d10!10>=8f1", "10d10!10>=8f1"},
            {"10d10 >=8 f1 !10", "10d10!10>=8f1"},
            {"3d6!-2", "3d6! - 2"},
            {"d{1..6} + d{6,5,4,3,2,1} + d{3,1,2}", "2d6 + 1d3"},
            {"3d{0,0,1,1,2}", "3d{0,0,1,1,2}"},
            {"d{-1..1} + d{ -3 .. 3 }", "1dF + 1d{-3..3}"},
            {"2d6ro<3", "2d6ro<3"},
            {"1d20min2max19", "1d20min2max19"},
            {"d{}", "d{}: the list of faces at position 2 is empty"},
            {"d{3..1}", "d{3..1}: the range of faces at position 3 runs backwards"},
            {"d{1,2", "d{1,2: the list of faces at position 2 is not closed with }"},
            {"d{1..1001}", "d{1..1001}: the list of faces at position 2 has more than 1000 faces"},
            {"d{2000000}", "d{2000000}: the face at position 3 must be from -1000000 to 1000000"},
            {"3d6r<7", "3d6r<7: the reroll at position 4 meets every face"},
            {"3d6!>0", "3d6!>0: the explosion at position 4 meets every face: it would never "
                       "stop"},
            {"3d6r1r2", "3d6r1r2: a second reroll at position 6"},
            {"3d6!!6!", "3d6!!6!: a second explosion at position 7"},
            {"3d6min2min3", "3d6min2min3: a second min at position 8"},
            {"3d6kh2>=4", "3d6kh2>=4: a second keep, drop or count at position 7"},
            {"3d6f1", "3d6f1: the failures at position 4 need a count of successes before "
                      "them, as in 10d10>=8f1"},
            {"4d6!kh3", "4d6!kh3: the dice at position 1 explode with ! and are kept: keep "
                        "exploding dice with !!"},
            {"3d100!!", "3d100!!: the dice at position 1: more rolls of one die than 64 bits "
                        "count; explosions up to 9 extra rolls deep answer"},
            // Groups in braces.
            {"{2d20}kh1", "2d20kh1"},
            {"{2d6 + 3d6}kh2", "5d6kh2"},
            {"{4D6 + 3d8} KH3", "{4d6 + 3d8}kh3"},
            {"{ 1d20+5 , 1d12+8 }k1", "{1d20 + 5, 1d12 + 8}kh1"},
            {"{3d6 + 2d8}>=5", "3d6>=5 + 2d8>=5"},
            {"{2d20}kh1 + 5 - {2d20}kl1", "2d20kh1 - 2d20kl1 + 5"},
            {"{1d20, 1d12 - 1}", "1d20 + 1d12 - 1"},
            {"{4d6 + 3d8}d0", "4d6 + 3d8"},
            {"3d6 - {1d20 + 5, 1d12 + 8}kh1", "3d6 - {1d20 + 5, 1d12 + 8}kh1"},
            {"{4d6 + 3d8}kh8", "{4d6 + 3d8}kh8: the dice kept at position 12 must be from 1 to 7"},
            {"{1d6, 1d8}kh3", "{1d6, 1d8}kh3: the sub-totals kept at position 11 must be from 1 "
                              "to 2"},
            {"{}kh1", "{}kh1: the group at position 1 is empty"},
            {"{1d6,}kh1", "{1d6,}kh1: a member of the group is missing at position 6"},
            {"{1d6, 1d8", "{1d6, 1d8: the group at position 1 is not closed with }"},
            {"{1d6 + 2}kh1", "{1d6 + 2}kh1: the group at position 1 pools dice: the number at "
                             "position 8 cannot be within it"},
            {"{3d6 - 1d4}kh2", "{3d6 - 1d4}kh2: the group at position 1 pools dice: the dice "
                               "subtracted at position 8 cannot be within it"},
            {"{1d8 + 4d6kh3}kh2", "{1d8 + 4d6kh3}kh2: the group at position 1 pools dice: the "
                                  "dice kept or counted at position 8 cannot be within it"},
            {"{1d8 + 3d6!}kh2", "{1d8 + 3d6!}kh2: the dice at position 8 explode with ! within a "
                                "group: pool exploding dice with !!"},
            {"{1d6, {1d4}kh1}kh1", "{1d6, {1d4}kh1}kh1: groups do not nest: the group at "
                                   "position 7 is inside the one at position 1"},
            {"{2d6} 3d6", "{2d6} 3d6: + or - missing at position 7"},
        };
        for (const auto& [text, result] : rows)
            QTest::newRow(text) << QString(text) << QString(result);
    }
    void notation() {
        QFETCH(QString, text);
        QFETCH(QString, result);
        QString read;
        try {
            read = QString::fromStdString(ParsePool(text.toStdString()).Notation());
        } catch (const NotationError& error) {
            read = QString::fromUtf8(error.what());
        }
        QCOMPARE(read, result);
    }
};

QTEST_GUILESS_MAIN(TestAnyDie)
#include "tst_any_die.moc"
