// SPDX-License-Identifier: MIT
// The File menu: the table and the graph written to files, and the readout of the plot.
#include "tform1.h"

#include "decimal_separator.h"
#include "graph_pointer.h"
#include "plot_image.h"
#include "readout.h"
#include "whole_file.h"

#include <QBuffer>
#include <QEvent>
#include <QFileInfo>
#include <QHelpEvent>
#include <QImageWriter>
#include <QMouseEvent>
#include <QProgressDialog>
#include <QToolTip>

namespace dorvanel {
void TForm1::Exporttable1Click() {
    if (!analysis_)
        return;
    const QString path = services_.chooseFileToSave(
        this, QStringLiteral("Export table"),
        QStringLiteral("Comma-separated values (*.csv);;Listing (*.txt);;All files (*)"));
    if (path.isEmpty())
        return;
    dlgExport->reset();
    dlgExport->setLabelText(
        QStringLiteral("Exporting the table to %1\u2026").arg(QFileInfo(path).fileName()));
    // Its time is counted from here: the dialog shows only for an export that takes a while.
    dlgExport->setValue(0);
    exportStartedLast_ = true;
    exporter_.Start(analysis_, path);
}

void TForm1::ShowExportProgress(double whole) {
    dlgExport->setValue(static_cast<int>(whole * dlgExport->maximum()));
}

void TForm1::ExportEnded() {
    dlgExport->reset();
}

void TForm1::Savegraphimage1Click() {
    const QString path = services_.chooseFileToSave(this, QStringLiteral("Save graph image"),
                                                    QStringLiteral("PNG images (*.png)"));
    if (path.isEmpty())
        return;
    // The plot as shown, in the screen's pixels; the file appears only when whole.
    QBuffer image;
    QImageWriter writer(&image, "png");
    WholeFile file(path);
    QString reason;
    if (!writer.write(vidGraf->Picture()))
        reason = writer.errorString();
    else if (!file.Open() || !file.Write({image.data().constData(), std::size_t(image.size())}) ||
             !file.Commit())
        reason = file.Reason();
    if (!reason.isEmpty())
        ReportError(QStringLiteral("Cannot save the graph image to %1: %2").arg(path, reason));
}

QString TForm1::ReadoutAt(QPoint point) {
    if (!analysis_)
        return {};
    const QImage& picture = vidGraf->Picture();
    const qreal ratio = picture.devicePixelRatio();
    const GraphOptions options = CurrentGraphOptions();
    const GraphScaling scaling(ScaledCountsFor(options.wholeYRange), options, picture.width(),
                               picture.height());
    const std::int64_t total =
        TotalAtColumn(scaling, options.style, static_cast<std::int64_t>(point.x() * ratio));
    QStringList lines;
    for (const std::string& line : ReadoutLines(*analysis_, total, DecimalSeparator()))
        lines << QString::fromStdString(line);
    return lines.join(QLatin1Char('\n'));
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == vidGraf &&
        (event->type() == QEvent::MouseMove || event->type() == QEvent::ToolTip)) {
        const QPoint point = event->type() == QEvent::MouseMove
                                 ? static_cast<QMouseEvent*>(event)->position().toPoint()
                                 : static_cast<QHelpEvent*>(event)->pos();
        const QString text = ReadoutAt(point);
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(vidGraf->mapToGlobal(point), text, vidGraf);
        return event->type() == QEvent::ToolTip;
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace dorvanel
