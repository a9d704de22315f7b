// SPDX-License-Identifier: MIT
// Writes a table to a file off the window's thread, as comma-separated values or as the
// listing. The file appears under its name only when whole; a failed or cancelled export leaves
// nothing new and an existing file as it was. One export at a time; signals are delivered on
// the window's thread.
#pragma once

#include "background_job.h"
#include "distribution_table.h"

#include <QObject>
#include <QString>

#include <memory>

namespace dorvanel {

enum class TableFormat { Csv, Listing };

class TableExporter : public QObject {
    Q_OBJECT
public:
    explicit TableExporter(QObject* parent = nullptr);
    ~TableExporter() override;

    void Start(std::shared_ptr<const DistributionTable> table, const QString& path,
               TableFormat format);
    // Stops the export, if any, and says so with Cancelled.
    void Cancel();
    bool IsRunning() const { return job_.IsRunning(); }

signals:
    void Progress(double whole, double stage);
    void Finished(const QString& path);
    void Failed(const QString& message);
    void Cancelled();

private:
    void Write(const std::shared_ptr<BackgroundJob::State>& job, const DistributionTable& table,
               const QString& path, TableFormat format);

    BackgroundJob job_{this};
};

} // namespace dorvanel
