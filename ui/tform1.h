// SPDX-License-Identifier: MIT
// The program's one window: the two inputs, the Analyze command, the summary labels, the
// listing, the graph and its options, and the File, Options and Help menus.
#pragma once

#include "analysis_runner.h"
#include "background_job.h"
#include "color_dialog.h"
#include "display_settings.h"
#include "distribution_table.h"
#include "graph_scaling.h"
#include "listing_view.h"
#include "settings_lines.h"
#include "share_plot.h"
#include "table_exporter.h"
#include "versus_counts.h"
#include "window_services.h"

#include <QMainWindow>
#include <QRect>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QAction;
class QActionGroup;
class QCheckBox;
class QKeyEvent;
class QLineEdit;
class QFrame;
class QLabel;
class QMenu;
class QMenuBar;
class QProgressBar;
class QProgressDialog;
class QPushButton;
class QSplitter;

namespace dorvanel {

class ColorSwatch;
class PlotImage;
class RadioGroup;
class SpinEdit;

inline const QString kStopExportQuestion =
    QStringLiteral("An export is still being written: stop it and quit?");

// Whether the pool field's text is the whole pool: any text but one that starts with + or -,
// which adds to the boxes' dice.
bool PoolStandsAlone(const QString& fieldText);

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(WindowServices services = {}, QWidget* parent = nullptr);
    ~TForm1() override;

    // The directory that was current at start-up; empty when it could not be had.
    QString SettingsDir() const;
    // The last completed analysis; null before the first one completes.
    const std::shared_ptr<const DistributionTable>& AnalysisState() const { return analysis_; }
    bool IsAnalysisRunning() const { return runner_.IsRunning(); }

    PlotImage* vidGraf;
    QFrame* Panel1;
    SpinEdit* seDieNo;
    QLabel* Label1;
    SpinEdit* seDieType;
    QPushButton* Analyze;
    QLabel* lbNum;
    QProgressBar* pb1;
    ListingView* meRes;
    QSplitter* Splitter1;
    QProgressBar* pb2;
    QCheckBox* cbRange1;
    QCheckBox* cbClearGraf;
    QPushButton* btnClearGraf;
    ColorDialog dlgColor;
    QPushButton* Button1;
    ColorSwatch* Shape1;
    QLabel* lbRng;
    QLabel* lbVal;
    RadioGroup* radGraf;
    QMenuBar* MainMenu1;
    QMenu* X1;
    QAction* Xa1;
    QPushButton* Button2;
    ColorSwatch* Shape2;
    QPushButton* Button3;
    ColorSwatch* Shape3;
    ColorDialog dlgFill;
    ColorDialog dlgBG;
    QCheckBox* cbWholeY;
    // The current settings snapshot, and the built-in defaults, as settings lines.
    std::vector<std::string> mbOptions;
    QMenu* Options1;
    const std::vector<std::string>& mbDefault = DefaultSettingsLines();
    QAction* Reverttoinitialsettings1;
    QAction* Restoredefaultsettings1;
    QAction* N1;
    QAction* Savesettings1;
    // How many extra rolls an exploding die makes at most, for the next analysis.
    QAction* Explosiondepth1;
    std::int32_t explodeDepth_ = DisplaySettings{}.explodeDepth;
    QLabel* lbValNo;
    QLabel* lbValPerc;
    QLabel* lbDispSize;
    QMenu* File1;
    QAction* Exporttable1;
    QAction* Savegraphimage1;
    QAction* N2;
    QAction* Quit1;
    // Dice notation: further terms added to the spin edits' dice ("+ 2d8 + 5"), or, unless it
    // starts with + or -, the whole pool ("4d6kh3"), the spin edits then not in use.
    QLineEdit* edPool;
    // The pool the labels, the listing and the graph belong to.
    QLabel* lbPool;
    // An export's progress, shown once it has taken a moment; its Cancel stops the export.
    QProgressDialog* dlgExport;
    QMenu* Help1;
    QAction* Aboutdorvanel1;
    QMenu* View1;
    QAction* Keepforcomparison1;
    QAction* Clearcomparison1;
    QAction* N3;
    QActionGroup* ShareViews;
    QAction* Exactly1;
    QAction* Atleast1;
    QAction* Atmost1;
    QAction* N4;
    QAction* Showaxes1;
    QAction* Likelytotalsonly1;

    // The analyses kept for comparison, in the order kept; at most kMaxPins.
    static constexpr std::size_t kMaxPins = 6;
    const std::vector<std::shared_ptr<const DistributionTable>>& Pins() const { return pins_; }
    // The exact counts of the analysis shown against the one kept pool, once worked out.
    const std::optional<VersusCounts>& Versus() const { return versus_; }
    bool IsVersusRunning() const { return versusJob_.IsRunning(); }
    // The graph as a saved image shows it: with axes, and the legend when pools are compared.
    QImage GraphForSaving();

    // The readout of the plot at a point in it: the lines of the total there, joined; empty
    // before the first analysis.
    QString ReadoutAt(QPoint point);
    // The total the keys have marked on the plot, while it has the focus.
    std::optional<std::int64_t> MarkedTotal() const { return markedTotal_; }
    bool IsExportRunning() const { return exporter_.IsRunning(); }

public slots:
    void AnalyzeClick();
    void DrawGraph();
    void btnClearGrafClick();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void radGrafClick();
    void Reverttoinitialsettings1Click();
    void Restoredefaultsettings1Click();
    void Savesettings1Click();
    void Explosiondepth1Click();
    void Exporttable1Click();
    void Savegraphimage1Click();
    void Aboutdorvanel1Click();
    void Keepforcomparison1Click();
    void Clearcomparison1Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // What a run changes before its result arrives, so that a cancelled or failed run can
    // put it back.
    struct VisibleState {
        QString possibleRolls;
        QString range;
        QString value;
        QString valueDetails;
        std::shared_ptr<const DistributionTable> listing;
        ListingView::Place listingPlace;
    };
    // The work Escape stops, the latest started first.
    enum class Job { Analysis, Export, Copy, Versus };

    void ReportError(const QString& message);
    // Runs a command; an error that leaves it is reported, a silent stop is not.
    void RunReportingErrors(const std::function<void()>& command);
    void BuildLayout();
    void FormCreate();
    void ReportStartupErrors();
    void FormResize();
    void FormClose();
    void Splitter1Moved();
    // The boxes are drawn as not in use while the field holds a whole pool.
    void PoolFieldEdited();
    GraphOptions CurrentGraphOptions() const;
    ShareView CurrentShareView() const;
    // Whether the graph is drawn as shares: pools compared, a view other than Exactly, or the
    // likely totals only. Otherwise it is the counts' graph.
    bool UsesSharePlot() const;
    SharePlotOptions CurrentSharePlotOptions() const;
    // The analysis shown, then the pools kept.
    std::vector<std::shared_ptr<const DistributionTable>> PlottedTables() const;
    // Paints the graph on `canvas`, with axes or without, and records where the plot lies.
    void RenderGraph(QImage& canvas, bool axes);
    SharePlot CurrentSharePlot() const;
    // The readout of a total: the analysis shown, and each pool compared.
    QStringList ReadoutLinesAt(std::int64_t total) const;
    // Works out the analysis shown against the one pool kept, off the window's thread.
    void StartVersus();
    // Escape stopped the counts against the kept pool: the readout says so.
    void StopVersus();
    void UpdateComparisonActions();
    // The counts of the current analysis in plot units, scaled again only when the analysis or
    // the Y mode has changed since the last redraw: a resize redraws many times.
    const std::shared_ptr<const ScaledCounts>& ScaledCountsFor(bool wholeYRange);
    void ChooseColor(ColorDialog& dialog);
    DisplaySettings CurrentSettings() const;
    void ShowSettings(const DisplaySettings& settings);
    void TakeSettingsDir();
    std::string OptionsFile() const;
    void ApplySettings();
    void LoadSettings();
    void SaveSettingsOnClose();
    void JobStarted(Job job);
    // Escape: stops whichever of the run, the export and the listing's copy still going was
    // started last.
    void CancelLatestJob();
    void AnalysisFinished(std::shared_ptr<const DistributionTable> table,
                          const std::vector<std::string>& statistics);
    void AnalysisEnded();
    void RestoreVisibleState();
    // Both bars ready for a run, which reports in fractions.
    void PrepareProgress();
    void ShowProgress(double run, double stage);
    void ShowValue(const AnalysisBounds& bounds);
    void ShowExportProgress(double whole);
    void ExportEnded();
    // While a run is under way, what still shows the analysis before it is marked as such, so
    // that it is not read beside the new inputs as their results.
    void MarkPreviousAnalysis(bool previous);
    // "Export table of 3d6": what a save dialog's title says is saved.
    QString SaveCaption(const QString& command, const DistributionTable& table) const;
    // Asks where to save `table` as one of `types`: the path, with the chosen type's extension
    // when the name has none, and the type; none when cancelled or when a file of the name so
    // completed is to stay.
    std::optional<std::pair<QString, int>> ChooseSaveTarget(const QString& command,
                                                            const DistributionTable& table,
                                                            const QList<FileType>& types);
    // Refuses an export the disk at `path` has no room for, and asks before a large one.
    bool ExportSizeAccepted(const DistributionTable& table, std::uint64_t bytes,
                            const QString& path);
    // The plot's keys: Left, Right, Page Up, Page Down, Home and End move the marked total.
    bool PlotKeyPress(const QKeyEvent& key);
    // The plot as drawn now, and the total a point of it shows.
    GraphScaling PlotScaling();
    std::int64_t TotalAt(QPoint point);
    void MarkTotal(std::int64_t total);
    void ShowMarker();

    const WindowServices services_;
    // The directory that was current at start-up, as the system's bytes; none when it could not
    // be had as it is, and then why.
    std::optional<std::string> settingsDir_;
    std::string noSettingsDir_;
    // Errors of start-up, shown once the window is.
    QStringList startupErrors_;
    std::shared_ptr<const DistributionTable> analysis_;
    std::shared_ptr<const DistributionTable> scaledTable_;
    std::shared_ptr<const ScaledCounts> scaledCounts_;
    AnalysisRunner runner_{services_.compute};
    TableExporter exporter_;
    std::vector<Job> jobsByStart_;
    std::optional<VisibleState> beforeRun_;
    std::optional<std::int64_t> markedTotal_;
    std::vector<std::shared_ptr<const DistributionTable>> pins_;
    // Where the plot lies in the picture, in its pixels: all of it but for axes.
    QRect plotArea_;
    std::optional<VersusCounts> versus_;
    QString versusError_;
    // Last, so that it is gone, with its thread, before what its work reports to.
    BackgroundJob versusJob_{this};
    bool resizePending_ = false;
    // Closing asks whether to stop the export being written.
    bool askingToStopExport_ = false;
    // The options file was refused at start-up as not a settings file; only an explicit save
    // replaces it.
    bool optionsFileRefused_ = false;
};

} // namespace dorvanel
