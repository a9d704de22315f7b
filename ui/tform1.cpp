// SPDX-License-Identifier: MIT
#include "tform1.h"

#include "decimal_separator.h"
#include "distribution.h"
#include "error_reporter.h"
#include "errors.h"
#include "listing_view.h"
#include "plot_image.h"
#include "pool_explanation.h"
#include "pool_notation.h"
#include "radio_group.h"
#include "readout.h"
#include "report.h"
#include "shortcut_precedence.h"
#include "spin_edit.h"
#include "termination_requests.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>
#include <QSplitter>

#include <exception>
#include <stdexcept>
#include <utility>

namespace dorvanel {
namespace {

constexpr int kProgressSteps = 1000;
const QString kNoAnalysisYet = QStringLiteral("Total Possible Rolls: NA");

void SetCaption(QLabel* label, const QString& text) {
    label->setText(text);
    label->adjustSize();
}

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

// The table shown stays until a new one is whole, so each may take half the budget.
std::optional<std::uint64_t> TableBudget() {
    const std::optional<std::uint64_t> budget = DefaultMemoryBudget();
    return budget ? std::optional<std::uint64_t>(*budget / 2) : std::nullopt;
}

// A value typed below a box's range and confirmed with Enter reaches the command as typed;
// a pool of no dice or no faces is no pool, so it is refused with the box's range.
void RequireAtLeastMinimum(const SpinEdit& box, const char* what) {
    if (box.Value() < box.Minimum())
        throw std::invalid_argument(
            QStringLiteral("The number of %1 must be from %2 to %3: %4 was typed")
                .arg(QLatin1String(what))
                .arg(box.Minimum())
                .arg(box.Maximum())
                .arg(box.Value())
                .toStdString());
}

} // namespace

bool PoolStandsAlone(const QString& fieldText) {
    const QString text = fieldText.trimmed();
    return !text.isEmpty() && text[0] != QLatin1Char('+') && text[0] != QLatin1Char('-') &&
           text[0] != QChar(0x2212);
}

TForm1::TForm1(WindowServices services, QWidget* parent)
    : QMainWindow(parent), services_(std::move(services)) {
    BuildLayout();
    connect(Analyze, &QPushButton::clicked, this, &TForm1::AnalyzeClick);
    connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
    connect(btnClearGraf, &QPushButton::clicked, this, &TForm1::btnClearGrafClick);
    connect(radGraf, &RadioGroup::Clicked, this, &TForm1::radGrafClick);
    connect(cbRange1, &QCheckBox::clicked, this, &TForm1::radGrafClick);
    connect(cbWholeY, &QCheckBox::clicked, this, &TForm1::radGrafClick);
    connect(Xa1, &QAction::triggered, this, &TForm1::AnalyzeClick);
    connect(edPool, &QLineEdit::textChanged, this, &TForm1::PoolFieldEdited);
    PoolFieldEdited();
    UpdateComparisonActions();
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            &TForm1::CancelLatestJob);
    connect(Splitter1, &QSplitter::splitterMoved, this, &TForm1::Splitter1Moved);
    connect(Reverttoinitialsettings1, &QAction::triggered, this,
            &TForm1::Reverttoinitialsettings1Click);
    connect(Restoredefaultsettings1, &QAction::triggered, this,
            &TForm1::Restoredefaultsettings1Click);
    connect(Savesettings1, &QAction::triggered, this, &TForm1::Savesettings1Click);
    connect(Explosiondepth1, &QAction::triggered, this, &TForm1::Explosiondepth1Click);
    connect(Exporttable1, &QAction::triggered, this, &TForm1::Exporttable1Click);
    connect(Savegraphimage1, &QAction::triggered, this, &TForm1::Savegraphimage1Click);
    connect(Quit1, &QAction::triggered, this, &QWidget::close);
    connect(Aboutdorvanel1, &QAction::triggered, this, &TForm1::Aboutdorvanel1Click);
    connect(Keepforcomparison1, &QAction::triggered, this, &TForm1::Keepforcomparison1Click);
    connect(Clearcomparison1, &QAction::triggered, this, &TForm1::Clearcomparison1Click);
    for (QAction* view : {Exactly1, Atleast1, Atmost1, Showaxes1, Likelytotalsonly1})
        connect(view, &QAction::triggered, this, &TForm1::DrawGraph);
    // F10 opens the menus, as Alt and a menu's letter do.
    connect(new QShortcut(QKeySequence(Qt::Key_F10), this), &QShortcut::activated, this,
            [this] { MainMenu1->setActiveAction(File1->menuAction()); });
    new ShortcutPrecedence(this);
    connect(&exporter_, &TableExporter::Progress, this, &TForm1::ShowExportProgress);
    connect(dlgExport, &QProgressDialog::canceled, &exporter_, &TableExporter::Cancel);
    connect(&exporter_, &TableExporter::Finished, this, &TForm1::ExportEnded);
    connect(&exporter_, &TableExporter::Cancelled, this, &TForm1::ExportEnded);
    connect(&exporter_, &TableExporter::Failed, this, [this](const QString& message) {
        ExportEnded();
        ReportError(message);
    });
    connect(meRes, &ListingView::Failed, this, &TForm1::ReportError);
    connect(meRes, &ListingView::CopyStarted, this, [this] { JobStarted(Job::Copy); });
    connect(&runner_, &AnalysisRunner::Progress, this, &TForm1::ShowProgress);
    connect(&runner_, &AnalysisRunner::Finished, this, &TForm1::AnalysisFinished);
    connect(&runner_, &AnalysisRunner::Cancelled, this, [this] {
        RestoreVisibleState();
        AnalysisEnded();
    });
    connect(&runner_, &AnalysisRunner::Failed, this, [this](const QString& message) {
        RestoreVisibleState();
        AnalysisEnded();
        ReportError(message);
    });
    FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::ReportError(const QString& message) {
    dorvanel::ReportError(services_.reportError, this, message);
}

void TForm1::RunReportingErrors(const std::function<void()>& command) {
    dorvanel::RunReportingErrors(services_.reportError, this, command);
}

void TForm1::FormCreate() {
    // The layout has already made vidGraf fill what the other controls leave.
    TakeSettingsDir();
    AnalyzeClick();
    try {
        LoadSettings();
    } catch (const std::exception& error) {
        startupErrors_ << QString::fromUtf8(error.what());
    }
}

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // Start-up errors wait for the window, so that their dialog has a window to be modal to, and
    // for the event loop, where a request to stop the process can end the dialog.
    if (!startupErrors_.isEmpty())
        QMetaObject::invokeMethod(this, &TForm1::ReportStartupErrors, Qt::QueuedConnection);
}

void TForm1::ReportStartupErrors() {
    for (const QString& message : std::exchange(startupErrors_, {}))
        ReportError(message);
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    // The plot area takes its new size only once the layout has run, after this event.
    if (!resizePending_) {
        resizePending_ = true;
        QMetaObject::invokeMethod(this, &TForm1::FormResize, Qt::QueuedConnection);
    }
}

void TForm1::FormResize() {
    resizePending_ = false;
    if (lbNum->text() != kNoAnalysisYet)
        DrawGraph();
    SetCaption(lbDispSize, QStringLiteral("Display size: %1 x %2 pixels")
                               .arg(vidGraf->width())
                               .arg(vidGraf->height() - 2 * kPlotMargin));
}

void TForm1::closeEvent(QCloseEvent* event) {
    // A person may still want the export; a request to stop the process cannot wait for one.
    if (exporter_.IsRunning() && !TerminationRequested()) {
        askingToStopExport_ = true;
        const bool stop = services_.ask(this, kStopExportQuestion);
        askingToStopExport_ = false;
        // An export that ended meanwhile leaves nothing to ask about: the quit goes on.
        if (!stop && exporter_.IsRunning() && !TerminationRequested()) {
            event->ignore();
            return;
        }
    }
    FormClose();
    event->accept();
}

void TForm1::FormClose() {
    runner_.Discard();
    exporter_.Cancel();
    SaveSettingsOnClose();
}

void TForm1::Splitter1Moved() {
    DrawGraph();
}

void TForm1::AnalyzeClick() {
    RunReportingErrors([this] {
        const std::int32_t faces = seDieType->Value();
        const std::int32_t dice = seDieNo->Value();
        const QString text = edPool->text().trimmed();
        const std::string terms = text.toStdString();
        // The field is parsed once on every path. A malformed pool, a box typed below its range
        // and a pool beyond the limits are refused before anything on the window changes; an
        // overflow of the boxes' own figures shows what they give, then stops. A pool that
        // cannot be counted in time or memory is refused by its run, which may take a while to
        // find out, and puts back what the window showed.
        std::optional<DicePool> pool;
        if (PoolStandsAlone(text)) {
            pool = ParsePool(terms, {}, explodeDepth_);
        } else {
            std::optional<DicePool> plain;
            const bool inRange = dice >= seDieNo->Minimum() && faces >= seDieType->Minimum();
            if (inRange) {
                try {
                    plain = DicePool::Plain(dice, faces);
                } catch (const IntegerOverflowError&) {
                }
            }
            // The field's own errors come first, as when the boxes are fine.
            if (!plain && !terms.empty())
                ParsePool(terms, {}, explodeDepth_);
            RequireAtLeastMinimum(*seDieNo, "dice");
            RequireAtLeastMinimum(*seDieType, "faces");
            if (plain)
                pool = terms.empty() ? *plain : ParsePool(terms, *plain, explodeDepth_);
        }

        // A cancelled run puts back what the window showed before the first of any runs that
        // replaced one another.
        const VisibleState before =
            beforeRun_ ? *beforeRun_
                       : VisibleState{lbNum->text(),    lbRng->text(),  lbVal->text(),
                                      lbVal->toolTip(), meRes->Table(), meRes->CurrentPlace()};
        runner_.Discard();
        beforeRun_.reset();
        meRes->Clear();
        pb1->setValue(0);
        if (!pool) {
            // Values typed beyond the spin edits' ranges show what they give, up to the
            // overflow that ends the command.
            SetCaption(lbNum, Text(TotalPossibleRollsText(dice, faces, DecimalSeparator())));
            const AnalysisBounds bounds = BeginAnalysis(dice, faces);
            SetCaption(lbRng, Text(RangeText(bounds)));
            ShowValue(bounds);
            AnalysisEnded();
            throw SilentAbort();
        }
        SetCaption(lbNum, Text(TotalPossibleRollsText(*pool, DecimalSeparator())));
        SetCaption(lbRng, Text(RangeText(pool->Bounds())));
        ShowValue(pool->Bounds());
        PrepareProgress();
        beforeRun_ = before;
        JobStarted(Job::Analysis);
        runner_.Start(*pool, TableBudget(), DecimalSeparator());
        MarkPreviousAnalysis(true);
    });
}

void TForm1::PoolFieldEdited() {
    static const QString kNotation = QStringLiteral(
        "Terms joined by + and -, each NdD (N dice of D faces; N left out means 1),\n"
        "d% (a die of 100 faces), dF (a die of faces -1, 0, +1), d{0,0,1,1,2} or d{-1..1}\n"
        "(the faces listed) or a whole number. After NdD, in any order: rC rerolls while a\n"
        "roll meets C, roC once; !C, !!C or !pC explode (by default on the highest face);\n"
        "minT and maxT clamp; khK or kK keeps the K highest, klK the K lowest, dhK and dlK\n"
        "or dK drop them; or C counts the dice that meet it, then fC takes one away for each\n"
        "that meets C. C is T, =T, >T, >=T, <T or <=T: 2d6ro<3, 10d10!10>=8f1.\n"
        "Braces pool dice of several kinds, {d12 + d10 + d8}kh2, or hold sub-totals,\n"
        "{1d20 + 5, 1d12 + 8}kh1, then keep or count as after NdD.");
    const bool alone = PoolStandsAlone(edPool->text());
    for (QWidget* box : std::initializer_list<QWidget*>{seDieNo, Label1, seDieType})
        box->setEnabled(!alone);
    edPool->setToolTip(
        alone ? QStringLiteral("The whole pool: the dice above are not in use.\n") + kNotation +
                    QStringLiteral("\nStart with + or - to add to the dice above instead.")
              : QStringLiteral("Starting with + or -: further dice and numbers, added to the dice "
                               "above (+ 2d8 + 5, - 1d4, + 4d6kh3, + 10d10>=8).\n"
                               "Anything else is the whole pool on its own (4d6kh3, "
                               "5000d1000 + 5000d999).\n") +
                    kNotation + QStringLiteral("\nEmpty: the dice above alone."));
}

void TForm1::JobStarted(Job job) {
    std::erase(jobsByStart_, job);
    jobsByStart_.push_back(job);
}

void TForm1::CancelLatestJob() {
    for (auto job = jobsByStart_.rbegin(); job != jobsByStart_.rend(); ++job)
        switch (*job) {
        case Job::Analysis:
            if (runner_.IsRunning())
                return runner_.Cancel();
            break;
        case Job::Export:
            if (exporter_.IsRunning())
                return exporter_.Cancel();
            break;
        case Job::Copy:
            if (meRes->IsCopyRunning())
                return meRes->CancelCopy();
            break;
        case Job::Versus:
            if (versusJob_.Abandon())
                return StopVersus();
            break;
        }
}

void TForm1::PrepareProgress() {
    pb1->setRange(0, kProgressSteps);
    pb2->setRange(0, kProgressSteps);
}

void TForm1::ShowProgress(double run, double stage) {
    pb1->setValue(static_cast<int>(run * kProgressSteps));
    pb2->setValue(static_cast<int>(stage * kProgressSteps));
}

void TForm1::AnalysisFinished(std::shared_ptr<const DistributionTable> table,
                              const std::vector<std::string>& statistics) {
    RunReportingErrors([&] {
        const QString possibilities = Text(ValuePossibilitiesText(*table, DecimalSeparator()));
        const QString probability = Text(ProbabilityText(*table, DecimalSeparator()));
        QStringList details;
        for (const std::string& line : statistics)
            details << Text(line);
        analysis_ = std::move(table);
        // The keys start again from the most likely total, where the plot has them.
        markedTotal_.reset();
        if (vidGraf->hasFocus())
            markedTotal_ = analysis_->PeakTotal();
        meRes->SetTable(analysis_);
        lbVal->setToolTip(details.join(QLatin1Char('\n')));
        // The pool as it was read, and where its explosions stop; in words on the tooltip.
        const std::string depthNote = DepthNote(analysis_->pool());
        SetCaption(lbPool, QStringLiteral("Analysed: ") + Text(analysis_->pool().Notation()) +
                               (depthNote.empty() ? QString() : "; " + Text(depthNote)));
        lbPool->setToolTip(Text(Explanation(analysis_->pool())));
        AnalysisEnded();
        SetCaption(lbValNo, possibilities);
        SetCaption(lbValPerc, probability);
        StartVersus();
        UpdateComparisonActions();
        DrawGraph();
    });
}

void TForm1::AnalysisEnded() {
    beforeRun_.reset();
    pb1->setValue(0);
    pb2->setValue(0);
    MarkPreviousAnalysis(false);
}

void TForm1::MarkPreviousAnalysis(bool previous) {
    // The listing is cleared for the run; the three labels above show the new inputs.
    for (QWidget* shown : {lbValNo, lbValPerc, lbPool})
        shown->setEnabled(!previous);
    vidGraf->SetStale(previous);
}

void TForm1::RestoreVisibleState() {
    if (!beforeRun_)
        return;
    SetCaption(lbNum, beforeRun_->possibleRolls);
    SetCaption(lbRng, beforeRun_->range);
    SetCaption(lbVal, beforeRun_->value);
    lbVal->setToolTip(beforeRun_->valueDetails);
    meRes->SetTable(beforeRun_->listing);
    meRes->MoveTo(beforeRun_->listingPlace);
}

// The spread is told once the table is whole.
void TForm1::ShowValue(const AnalysisBounds& bounds) {
    SetCaption(lbVal, Text(ValueText(bounds, DecimalSeparator())));
    lbVal->setToolTip({});
}

} // namespace dorvanel
