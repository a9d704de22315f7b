// SPDX-License-Identifier: MIT
// The Help menu: what the program is, its version and licence, and its keys.
#include "tform1.h"

#include <QAction>
#include <QMenu>

namespace dorvanel {
namespace {

QString Row(const QString& keys, const QString& what) {
    return QStringLiteral("<tr><td style=\"padding-right:12px\">%1</td><td>%2</td></tr>")
        .arg(keys.toHtmlEscaped(), what.toHtmlEscaped());
}

} // namespace

void TForm1::Aboutdorvanel1Click() {
    QString keys = Row(QStringLiteral("Enter"), QStringLiteral("Analyze")) +
                   Row(QStringLiteral("Escape"),
                       QStringLiteral("Cancel the analysis, or the export if started later"));
    // The menus' own shortcuts, as they stand.
    for (const QMenu* menu : {File1, View1, Options1, Help1})
        for (const QAction* action : menu->actions())
            if (!action->shortcut().isEmpty())
                keys += Row(action->shortcut().toString(QKeySequence::NativeText),
                            QString(action->text()).remove(QLatin1Char('&')));
    keys +=
        Row(QStringLiteral("Alt+F, Alt+V, Alt+O, Alt+H, F10"), QStringLiteral("Open the menus")) +
        Row(QStringLiteral("Tab"),
            QStringLiteral("Move through the inputs, the listing and the graph")) +
        Row(QStringLiteral("Ctrl+A, Ctrl+C"),
            QStringLiteral("In the listing: select all lines, copy the selected ones")) +
        Row(QStringLiteral("Left, Right"),
            QStringLiteral("On the graph: mark the total before or after, with its readout")) +
        Row(QStringLiteral("Page Up, Page Down"),
            QStringLiteral("On the graph: move the mark by a tenth of the range")) +
        Row(QStringLiteral("Home, End"),
            QStringLiteral("On the graph: mark the smallest or the largest total"));
    services_.showAbout(
        this, QStringLiteral("About Dorvanel"),
        QStringLiteral("<h3>Dorvanel</h3><p>Version %1</p>"
                       "<p>Counts exactly, for a roll of dice, in how many of all the ordered "
                       "outcomes each total comes up.</p>"
                       "<p>Published under the MIT licence.</p>"
                       "<p>Keys:</p><table>%2</table>")
            .arg(QStringLiteral(DORVANEL_VERSION), keys));
}

} // namespace dorvanel
