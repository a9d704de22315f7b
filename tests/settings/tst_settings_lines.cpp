// SPDX-License-Identifier: MIT
#include "line_text.h"
#include "lines_support.h"
#include "options_file.h"
#include "settings_lines.h"

#include <QTest>

#include <limits>

using namespace dorvanel;

Q_DECLARE_METATYPE(dorvanel::DisplaySettings)

namespace dorvanel {
char* toString(const DisplaySettings& s) {
    return QTest::toString(QString("{showX %1, showY %2, pen %3, fill %4, background %5, style "
                                   "%6, axes %7, likely only %8, depth %9}")
                               .arg(s.showX)
                               .arg(s.showY)
                               .arg(s.penColor)
                               .arg(s.fillColor)
                               .arg(s.backgroundColor)
                               .arg(s.graphStyle)
                               .arg(s.showAxes)
                               .arg(s.likelyOnly)
                               .arg(s.explodeDepth));
}
} // namespace dorvanel

namespace {

// Whole X on, so that clearing it shows; colours and style unlike the defaults.
const DisplaySettings kCurrent{true, false, 11, 22, 33, 1};

DisplaySettings Opposite(const DisplaySettings& s) {
    return {!s.showX,      !s.showY,    ~s.penColor,   ~s.fillColor,        ~s.backgroundColor,
            ~s.graphStyle, !s.showAxes, !s.likelyOnly, 100 - s.explodeDepth};
}

} // namespace

class TestSettingsLines : public QObject {
    Q_OBJECT
private slots:
    void apply_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<bool>("applied");
        QTest::addColumn<DisplaySettings>("settings");
        QTest::addColumn<QString>("error");
        const DisplaySettings flagsCleared{false, false, 11, 22, 33, 1};
        QTest::newRow("no lines: nothing changes") << QStringList{} << false << kCurrent << "";
        QTest::newRow("only SHOWY")
            << QStringList{"SHOWY"} << true << DisplaySettings{false, true, 11, 22, 33, 1} << "";
        QTest::newRow("lower-case keys")
            << QStringList{"showx", "pencolor", "5"} << true << flagsCleared << "";
        QTest::newRow("trailing space")
            << QStringList{"SHOWX ", "PENCOLOR ", "5"} << true << flagsCleared << "";
        QTest::newRow("a blank line") << QStringList{""} << true << flagsCleared << "";
        QTest::newRow("every key, signed values")
            << QStringList{"GRAPHSTYLE", "-1",        "SHOWY", "PENCOLOR",        "-16777216",
                           "SHOWX",      "FILLCOLOR", "+5",    "BACKGROUNDCOLOR", "007"}
            << true << DisplaySettings{true, true, -16777216, 5, 7, -1} << "";
        QTest::newRow("last occurrence wins")
            << QStringList{"PENCOLOR", "1", "SHOWY", "PENCOLOR", "2", "SHOWY"} << true
            << DisplaySettings{false, true, 2, 22, 33, 1} << "";
        QTest::newRow("not an integer: earlier lines stay applied")
            << QStringList{"SHOWY", "PENCOLOR", "7", "FILLCOLOR", "blue", "BACKGROUNDCOLOR", "9"}
            << true << DisplaySettings{false, true, 7, 22, 33, 1}
            << "'blue' is not a valid integer value";
        QTest::newRow("beyond 32 bits") << QStringList{"SHOWX", "FILLCOLOR", "4294967295"} << true
                                        << kCurrent << "'4294967295' is not a valid integer value";
        QTest::newRow("missing last value line")
            << QStringList{"GRAPHSTYLE", "0", "BACKGROUNDCOLOR"} << true
            << DisplaySettings{false, false, 11, 22, 33, 0} << "'' is not a valid integer value";
        QTest::newRow("explosion depth")
            << QStringList{"EXPLODEDEPTH", "0"} << true
            << DisplaySettings{false, false, 11, 22, 33, 1, false, false, 0} << "";
        QTest::newRow("explosion depth beyond 100: earlier lines stay applied")
            << QStringList{"PENCOLOR", "7", "EXPLODEDEPTH", "101"} << true
            << DisplaySettings{false, false, 7, 22, 33, 1}
            << "the explosion depth 101 is not from 0 to 100";
        QTest::newRow("axes and likely totals only")
            << QStringList{"LIKELYONLY", "SHOWAXES"} << true
            << DisplaySettings{false, false, 11, 22, 33, 1, true, true} << "";
        QTest::newRow("a key in a value line")
            << QStringList{"SHOWX", "GRAPHSTYLE", "PENCOLOR", "5"} << true << kCurrent
            << "'PENCOLOR' is not a valid integer value";
    }
    void apply() {
        QFETCH(QStringList, lines);
        QFETCH(bool, applied);
        QFETCH(DisplaySettings, settings);
        QFETCH(QString, error);
        const ApplyResult result = ApplySettingsLines(ToLines(lines), kCurrent);
        QCOMPARE(result.applied, applied);
        QCOMPARE(result.settings, settings);
        QCOMPARE(QString::fromStdString(result.error.value_or("")), error);
        QCOMPARE(result.error.has_value(), !error.isEmpty());
    }

    void defaults() {
        QCOMPARE(ToStringList(DefaultSettingsLines()),
                 (QStringList{"SHOWX", "PENCOLOR", "65280", "FILLCOLOR", "16711680",
                              "BACKGROUNDCOLOR", "0", "GRAPHSTYLE", "0"}));
        QCOMPARE(FormatSettingsLines(DisplaySettings{}), DefaultSettingsLines());
        // Restoring the defaults and reverting afterwards both apply these lines.
        QCOMPARE(ApplySettingsLines(DefaultSettingsLines(), kCurrent).settings, DisplaySettings{});
        QCOMPARE(ApplySettingsLines(DefaultSettingsLines(), Opposite(kCurrent)).settings,
                 DisplaySettings{});
    }

    void format_data() {
        QTest::addColumn<DisplaySettings>("settings");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("no flags") << DisplaySettings{false, false, -1, 0, 16777215, 1}
                                  << QStringList{"PENCOLOR",        "-1",       "FILLCOLOR",  "0",
                                                 "BACKGROUNDCOLOR", "16777215", "GRAPHSTYLE", "1"};
        QTest::newRow("both flags")
            << DisplaySettings{true, true, 1, 2, 3, -1}
            << QStringList{"SHOWX", "SHOWY",           "PENCOLOR", "1",          "FILLCOLOR",
                           "2",     "BACKGROUNDCOLOR", "3",        "GRAPHSTYLE", "-1"};
        QTest::newRow("explosion depth")
            << DisplaySettings{false, false, 1, 2, 3, 0, false, false, 25}
            << QStringList{"PENCOLOR",   "1", "FILLCOLOR",    "2", "BACKGROUNDCOLOR", "3",
                           "GRAPHSTYLE", "0", "EXPLODEDEPTH", "25"};
        // After the flags of old, so that older versions read the file as before.
        QTest::newRow("axes and likely totals only")
            << DisplaySettings{true, false, 1, 2, 3, 0, true, true}
            << QStringList{"SHOWX", "SHOWAXES",        "LIKELYONLY", "PENCOLOR",   "1", "FILLCOLOR",
                           "2",     "BACKGROUNDCOLOR", "3",          "GRAPHSTYLE", "0"};
    }
    void format() {
        QFETCH(DisplaySettings, settings);
        QFETCH(QStringList, lines);
        QCOMPARE(ToStringList(FormatSettingsLines(settings)), lines);
    }

    void roundTrip_data() {
        constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
        constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
        QTest::addColumn<DisplaySettings>("settings");
        QTest::newRow("defaults") << DisplaySettings{};
        QTest::newRow("no flags") << DisplaySettings{false, false, 65280, 16711680, 0, 0};
        QTest::newRow("whole Y only") << DisplaySettings{false, true, 65280, 16711680, 0, 0};
        QTest::newRow("bar style") << DisplaySettings{true, false, 65280, 16711680, 0, 1};
        QTest::newRow("no style selected") << DisplaySettings{true, true, 1, 2, 3, -1};
        QTest::newRow("high bytes set") << DisplaySettings{false, true, -16777216, kMin, kMax, 0};
        QTest::newRow("extreme styles") << DisplaySettings{true, false, 0, 0, 0, kMin};
        QTest::newRow("every colour") << DisplaySettings{false, false, 255, 65535, 8421504, kMax};
        QTest::newRow("no explosions") << DisplaySettings{true, false, 0, 0, 0, 0, false, false, 0};
        QTest::newRow("axes only") << DisplaySettings{true, false, 65280, 16711680, 0, 0, true};
        QTest::newRow("likely totals only")
            << DisplaySettings{true, false, 65280, 16711680, 0, 0, false, true};
    }
    void roundTrip() {
        // Saved from one set of settings, then reverted to from any other.
        QFETCH(DisplaySettings, settings);
        const std::string text = JoinLines(FormatSettingsLines(settings));
        const std::vector<std::string> lines = ParseOptionsText(text, "options.DAT");
        for (const DisplaySettings& other : {DisplaySettings{}, Opposite(settings)}) {
            const ApplyResult result = ApplySettingsLines(lines, other);
            QVERIFY(result.applied);
            QVERIFY(!result.error);
            QCOMPARE(result.settings, settings);
        }
    }
};

QTEST_APPLESS_MAIN(TestSettingsLines)
#include "tst_settings_lines.moc"
