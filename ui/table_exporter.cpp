#include "table_exporter.h"

#include "errors.h"
#include "table_export.h"

#include <QMetaObject>
#include <QSaveFile>

#include <stdexcept>

namespace dorvanel {

TableExporter::TableExporter(QObject* parent) : QObject(parent) {}

TableExporter::~TableExporter() {
    if (current_)
        current_->cancel = true;
    workers_.waitForDone();
}

template <typename Deliver>
void TableExporter::Post(const std::shared_ptr<Export>& run, Deliver deliver) {
    QMetaObject::invokeMethod(
        this,
        [this, run, deliver = std::move(deliver)]() mutable {
            if (current_ != run)
                return;
            current_.reset();
            deliver();
        },
        Qt::QueuedConnection);
}

void TableExporter::Start(std::shared_ptr<const DistributionTable> table, const QString& path) {
    if (current_)
        current_->cancel = true;
    auto run = std::make_shared<Export>();
    current_ = run;
    workers_.start([this, run, table = std::move(table), path] {
        try {
            Write(run, *table, path);
            Post(run, [this, path] { emit Finished(path); });
        } catch (const AnalysisCancelled&) {
            // Whoever cancelled has said so.
        } catch (const std::exception& error) {
            Post(run, [this, message = QString::fromUtf8(error.what())] { emit Failed(message); });
        }
    });
}

void TableExporter::Cancel() {
    if (!current_)
        return;
    current_->cancel = true;
    current_.reset();
    emit Cancelled();
}

void TableExporter::Write(const std::shared_ptr<Export>& run, const DistributionTable& table,
                          const QString& path) {
    // Written beside the chosen name and renamed over it only when whole.
    QSaveFile file(path);
    auto fail = [&] {
        throw std::runtime_error(
            QStringLiteral("Cannot export to %1: %2").arg(path, file.errorString()).toStdString());
    };
    if (!file.open(QIODevice::WriteOnly))
        fail();
    ExportControl control;
    control.cancel = &run->cancel;
    control.onProgress = [this, run](double whole, double stage) {
        run->whole = whole;
        run->stage = stage;
        if (run->progressPosted.exchange(true))
            return; // the window takes the latest when it gets round to it
        QMetaObject::invokeMethod(
            this,
            [this, run] {
                run->progressPosted = false;
                if (current_ == run)
                    emit Progress(run->whole, run->stage);
            },
            Qt::QueuedConnection);
    };
    const TextSink sink = [&](std::string_view text) {
        if (file.write(text.data(), static_cast<qint64>(text.size())) !=
            static_cast<qint64>(text.size()))
            fail();
    };
    if (path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive))
        WriteCsv(table, sink, control);
    else
        WriteListingText(table, sink, control);
    if (!file.commit())
        fail();
}

} // namespace dorvanel
