// SPDX-License-Identifier: MIT
// Comparing: pools kept beside the analysis shown, the view of each total's chance, and the
// shown analysis against one kept pool.
#include "tform1.h"

#include "decimal_separator.h"
#include "error_reporter.h"
#include "errors.h"
#include "memory_limits.h"
#include "plot_image.h"
#include "readout.h"

#include <QAction>
#include <QCheckBox>

#include <algorithm>

namespace dorvanel {
namespace {

QString Percent(long double share) {
    return QString::fromStdString(WideNumber(share * 100.0L).Format(6, DecimalSeparator())) +
           QLatin1Char('%');
}

} // namespace

void TForm1::Keepforcomparison1Click() {
    if (!analysis_ || pins_.size() >= kMaxPins ||
        std::find(pins_.begin(), pins_.end(), analysis_) != pins_.end())
        return;
    pins_.push_back(analysis_);
    StartVersus();
    UpdateComparisonActions();
    DrawGraph();
}

void TForm1::Clearcomparison1Click() {
    pins_.clear();
    StartVersus();
    UpdateComparisonActions();
    DrawGraph();
}

void TForm1::UpdateComparisonActions() {
    Keepforcomparison1->setEnabled(analysis_ && pins_.size() < kMaxPins &&
                                   std::find(pins_.begin(), pins_.end(), analysis_) == pins_.end());
    Clearcomparison1->setEnabled(!pins_.empty());
}

ShareView TForm1::CurrentShareView() const {
    if (Atleast1->isChecked())
        return ShareView::AtLeast;
    if (Atmost1->isChecked())
        return ShareView::AtMost;
    return ShareView::Exactly;
}

bool TForm1::UsesSharePlot() const {
    return !pins_.empty() || CurrentShareView() != ShareView::Exactly ||
           Likelytotalsonly1->isChecked();
}

SharePlotOptions TForm1::CurrentSharePlotOptions() const {
    const GraphOptions options = CurrentGraphOptions();
    return {options.wholeXRange, options.wholeYRange, options.style, CurrentShareView(),
            Likelytotalsonly1->isChecked()};
}

std::vector<std::shared_ptr<const DistributionTable>> TForm1::PlottedTables() const {
    std::vector<std::shared_ptr<const DistributionTable>> tables{analysis_};
    tables.insert(tables.end(), pins_.begin(), pins_.end());
    return tables;
}

SharePlot TForm1::CurrentSharePlot() const {
    return SharePlot(PlottedTables(), CurrentSharePlotOptions(), plotArea_.width(),
                     plotArea_.height());
}

QStringList TForm1::ReadoutLinesAt(std::int64_t total) const {
    QStringList lines;
    for (const std::string& line : ReadoutLines(*analysis_, total, DecimalSeparator()))
        lines << QString::fromStdString(line);
    if (pins_.empty())
        return lines;
    // Each pool's three chances at the total, the one shown first.
    for (const auto& table : PlottedTables())
        lines << QStringLiteral("%1: exactly %2, at least %3, at most %4")
                     .arg(QString::fromStdString(table->pool().Notation()),
                          Percent(ShareAt(*table, total, ShareView::Exactly)),
                          Percent(ShareAt(*table, total, ShareView::AtLeast)),
                          Percent(ShareAt(*table, total, ShareView::AtMost)));
    if (pins_.size() == 1) {
        const std::string a = analysis_->pool().Notation();
        const std::string b = pins_.front()->pool().Notation();
        if (versus_)
            lines << QString::fromStdString(VersusText(a, b, *versus_, DecimalSeparator()));
        else if (!versusError_.isEmpty())
            lines << QStringLiteral("%1 against %2: %3")
                         .arg(QString::fromStdString(a), QString::fromStdString(b), versusError_);
        else
            lines << QStringLiteral("%1 against %2: being worked out\u2026")
                         .arg(QString::fromStdString(a), QString::fromStdString(b));
    }
    return lines;
}

void TForm1::StartVersus() {
    versusJob_.Abandon();
    versus_.reset();
    versusError_.clear();
    if (!analysis_ || pins_.size() != 1)
        return;
    const DicePool a = analysis_->pool();
    const DicePool b = pins_.front()->pool();
    const std::optional<std::uint64_t> budget = DefaultMemoryBudget();
    JobStarted(Job::Versus);
    versusJob_.Start([this, a, b, budget](const std::shared_ptr<BackgroundJob::State>& job) {
        RunControl control;
        control.cancel = &job->cancel;
        // Beside the two tables kept, a quarter of what the machine allows.
        if (budget) {
            control.memoryBudget = *budget / 4;
            control.workingSpaceLimit = *budget / 4;
        }
        // Every count is read once, in order.
        control.purpose = TablePurpose::Listing;
        try {
            VersusCounts counts = ComputeVersus(a, b, control);
            versusJob_.Deliver(job, [this, counts = std::move(counts)] {
                versus_ = counts;
                ShowMarker();
            });
        } catch (const AnalysisCancelled&) {
        } catch (const std::exception& error) {
            versusJob_.Deliver(job, [this, message = ErrorText(error)] {
                versusError_ = message;
                ShowMarker();
            });
        }
    });
}

void TForm1::StopVersus() {
    versusError_ = QStringLiteral("stopped");
    ShowMarker();
}

QImage TForm1::GraphForSaving() {
    QImage canvas = vidGraf->BlankPicture();
    const QRect shownArea = plotArea_;
    RenderGraph(canvas, true);
    // The plot on the screen keeps its own place.
    plotArea_ = shownArea;
    return canvas;
}

} // namespace dorvanel
