// SPDX-License-Identifier: MIT
// The File menu: the table and the graph written to files.
#include "tform1.h"

#include "captioned_graph.h"
#include "decimal_separator.h"
#include "errors.h"
#include "graph_caption.h"
#include "graph_colors.h"
#include "plot_image.h"
#include "save_names.h"
#include "table_export.h"
#include "whole_file.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageWriter>
#include <QMessageBox>
#include <QProgressDialog>
#include <QStorageInfo>

namespace dorvanel {
namespace {

// Above this an export asks first.
constexpr std::uint64_t kLargeExport = 1'000'000'000;
constexpr int kJpegQuality = 95;

const QList<FileType> kTableTypes{{QStringLiteral("Comma-separated values"), QStringLiteral("csv")},
                                  {QStringLiteral("Listing"), QStringLiteral("txt")},
                                  {QStringLiteral("All files"), QString()}};
const QList<FileType> kImageTypes{{QStringLiteral("PNG images"), QStringLiteral("png")},
                                  {QStringLiteral("JPEG images"), QStringLiteral("jpg")},
                                  {QStringLiteral("BMP images"), QStringLiteral("bmp")}};

QString Described(std::uint64_t bytes) {
    return QString::fromStdString(DescribeBytes(bytes));
}

QString Notation(const DistributionTable& table) {
    return QString::fromStdString(table.pool().Notation());
}

// ".csv" and ".txt" say what they hold; any other name holds the type chosen, values only when
// they were chosen.
TableFormat FormatFor(const QString& path, const FileType& chosen) {
    const QString extension = QFileInfo(path).suffix().toLower();
    if (extension == QLatin1String("csv"))
        return TableFormat::Csv;
    if (extension == QLatin1String("txt") || chosen.extension != QLatin1String("csv"))
        return TableFormat::Listing;
    return TableFormat::Csv;
}

} // namespace

QString TForm1::SaveCaption(const QString& command, const DistributionTable& table) const {
    // A run under way will replace what is shown; until then this is what is saved.
    return runner_.IsRunning()
               ? QStringLiteral("%1 of %2, the analysis shown until the new one is done")
                     .arg(command, Notation(table))
               : QStringLiteral("%1 of %2").arg(command, Notation(table));
}

std::optional<std::pair<QString, int>> TForm1::ChooseSaveTarget(const QString& command,
                                                                const DistributionTable& table,
                                                                const QList<FileType>& types) {
    const SaveAnswer answer = services_.chooseFileToSave(
        this, {SaveCaption(command, table),
               FileNameFor(table.pool().Notation()) + "." + types.constFirst().extension, types});
    if (answer.path.isEmpty())
        return std::nullopt;
    const int type = std::clamp(answer.type, 0, static_cast<int>(types.size()) - 1);
    const QString path = WithExtension(answer.path, types[type].extension);
    // The dialog asked about the name as typed, not about the one completed here.
    if (path != answer.path && QFileInfo::exists(path) &&
        !services_.ask(
            this, QStringLiteral("%1 already exists. Replace it?").arg(QFileInfo(path).fileName())))
        return std::nullopt;
    return std::make_pair(path, type);
}

bool TForm1::ExportSizeAccepted(const DistributionTable& table, std::uint64_t bytes,
                                const QString& path) {
    // The new file is whole on the disk before it replaces an old one, so all of it must fit.
    const QStorageInfo disk(QFileInfo(path).absolutePath());
    if (disk.isValid() && disk.isReady() &&
        bytes > static_cast<std::uint64_t>(std::max<qint64>(0, disk.bytesAvailable()))) {
        ReportError(QStringLiteral("Cannot export to %1: the table of %2 needs about %3, and the "
                                   "disk there has only %4 free.")
                        .arg(path, Notation(table), Described(bytes),
                             Described(static_cast<std::uint64_t>(
                                 std::max<qint64>(0, disk.bytesAvailable())))));
        return false;
    }
    return bytes <= kLargeExport ||
           services_.ask(this,
                         QStringLiteral("The table of %1 will take about %2 in %3. "
                                        "Export it?")
                             .arg(Notation(table), Described(bytes), QFileInfo(path).fileName()));
}

void TForm1::Exporttable1Click() {
    if (!analysis_)
        return;
    // What is shown now, whatever arrives while the dialogs are open.
    const std::shared_ptr<const DistributionTable> table = analysis_;
    const auto target = ChooseSaveTarget(QStringLiteral("Export table"), *table, kTableTypes);
    if (!target)
        return;
    const auto& [path, type] = *target;
    const TableFormat format = FormatFor(path, kTableTypes[type]);
    if (!ExportSizeAccepted(
            *table,
            format == TableFormat::Csv ? CsvBytesEstimate(*table) : ListingTextBytes(*table), path))
        return;
    dlgExport->reset();
    dlgExport->setLabelText(
        QStringLiteral("Exporting the table to %1\u2026").arg(QFileInfo(path).fileName()));
    // Its time is counted from here: the dialog shows only for an export that takes a while.
    dlgExport->setValue(0);
    JobStarted(Job::Export);
    exporter_.Start(table, path, format);
}

void TForm1::ShowExportProgress(double whole) {
    dlgExport->setValue(static_cast<int>(whole * dlgExport->maximum()));
}

void TForm1::ExportEnded() {
    dlgExport->reset();
    // The question whether to stop it goes away with the export.
    if (askingToStopExport_)
        for (QMessageBox* question : findChildren<QMessageBox*>())
            if (question->text() == kStopExportQuestion)
                question->done(QMessageBox::No);
}

void TForm1::Savegraphimage1Click() {
    if (!analysis_)
        return;
    // The plot as shown now, in the screen's pixels, with axes, and with what it shows below
    // it.
    const std::shared_ptr<const DistributionTable> table = analysis_;
    const GraphOptions options = CurrentGraphOptions();
    QStringList caption;
    for (const std::string& line :
         GraphCaptionLines(*table, options.wholeXRange, options.wholeYRange, DecimalSeparator()))
        caption << QString::fromStdString(line);
    const QImage image =
        CaptionedGraph(GraphForSaving(), caption, font(), ColorFromBgr(dlgBG.Color()));

    const auto target = ChooseSaveTarget(QStringLiteral("Save graph image"), *table, kImageTypes);
    if (!target)
        return;
    const QString& path = target->first;
    const QByteArray format = QFileInfo(path).suffix().toLower().toLatin1();
    if (!QImageWriter::supportedImageFormats().contains(format)) {
        ReportError(QStringLiteral("Cannot save the graph image to %1: no image can be written as "
                                   ".%2. Choose a name ending in .png, .jpg or .bmp.")
                        .arg(path, QString::fromLatin1(format)));
        return;
    }
    // The file appears only when whole.
    QBuffer encoded;
    QImageWriter writer(&encoded, format);
    if (format == "jpg" || format == "jpeg")
        writer.setQuality(kJpegQuality); // thin lines blur at the default
    WholeFile file(path);
    QString reason;
    if (!writer.write(image))
        reason = writer.errorString();
    else if (!file.Open() ||
             !file.Write({encoded.data().constData(), std::size_t(encoded.size())}) ||
             !file.Commit())
        reason = file.Reason();
    if (!reason.isEmpty())
        ReportError(QStringLiteral("Cannot save the graph image to %1: %2").arg(path, reason));
}

} // namespace dorvanel
