// Writes a table to a file off the window's thread: comma-separated values for a name ending
// in ".csv", the listing otherwise. The file appears under its name only when whole; a failed
// or cancelled export leaves nothing new and an existing file as it was. One export at a time;
// signals are delivered on the window's thread.
#pragma once

#include "distribution_table.h"

#include <QObject>
#include <QString>
#include <QThreadPool>

#include <atomic>
#include <memory>

namespace dorvanel {

class TableExporter : public QObject {
    Q_OBJECT
public:
    explicit TableExporter(QObject* parent = nullptr);
    ~TableExporter() override;

    void Start(std::shared_ptr<const DistributionTable> table, const QString& path);
    // Stops the export, if any, and says so with Cancelled.
    void Cancel();
    bool IsRunning() const { return current_ != nullptr; }

signals:
    void Progress(double whole, double stage);
    void Finished(const QString& path);
    void Failed(const QString& message);
    void Cancelled();

private:
    struct Export {
        std::atomic<bool> cancel{false};
        std::atomic<double> whole{0};
        std::atomic<double> stage{0};
        std::atomic<bool> progressPosted{false};
    };

    void Write(const std::shared_ptr<Export>& run, const DistributionTable& table,
               const QString& path);
    template <typename Deliver> void Post(const std::shared_ptr<Export>& run, Deliver deliver);

    std::shared_ptr<Export> current_;
    QThreadPool workers_;
};

} // namespace dorvanel
