// SPDX-License-Identifier: MIT
#include "table_exporter.h"

#include "errors.h"
#include "table_export.h"
#include "whole_file.h"

#include <stdexcept>

namespace dorvanel {

TableExporter::TableExporter(QObject* parent) : QObject(parent) {}

TableExporter::~TableExporter() = default;

void TableExporter::Start(std::shared_ptr<const DistributionTable> table, const QString& path,
                          TableFormat format) {
    // The work uses `this` on the job's thread: job_ waits for that thread before the exporter
    // is gone.
    job_.Start([this, table = std::move(table), path,
                format](const std::shared_ptr<BackgroundJob::State>& job) {
        try {
            Write(job, *table, path, format);
            job_.Deliver(job, [this, path] { emit Finished(path); });
        } catch (const AnalysisCancelled&) {
            // Whoever cancelled has said so.
        } catch (const std::exception& error) {
            job_.Deliver(
                job, [this, message = QString::fromUtf8(error.what())] { emit Failed(message); });
        }
    });
}

void TableExporter::Cancel() {
    if (job_.Abandon())
        emit Cancelled();
}

void TableExporter::Write(const std::shared_ptr<BackgroundJob::State>& job,
                          const DistributionTable& table, const QString& path, TableFormat format) {
    WholeFile file(path);
    auto fail = [&] {
        throw std::runtime_error(
            QStringLiteral("Cannot export to %1: %2").arg(path, file.Reason()).toStdString());
    };
    if (!file.Open())
        fail();
    ExportControl control;
    control.cancel = &job->cancel;
    control.onProgress =
        job_.Progress(job, [this](double whole, double stage) { emit Progress(whole, stage); });
    const TextSink sink = [&](std::string_view text) {
        if (!file.Write(text))
            fail();
    };
    if (format == TableFormat::Csv)
        WriteCsv(table, sink, control);
    else
        WriteListingText(table, sink, control);
    if (!file.Commit())
        fail();
}

} // namespace dorvanel
