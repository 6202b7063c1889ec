#include "AppModel.h"

#include "services/ExportNaming.h"
#include "services/ExportSummary.h"
#include "services/Exporter.h"

#include <QMetaObject>

namespace ombrel {

void AppModel::exportTargets(const ExportOptions& options) {
    saveNow();

    // Settings are taken now: edits made while the batch runs do not reach it.
    std::vector<ExportJob> jobs;
    for (const Photo& photo : photos_) {
        if (!isTarget(photo.id)) continue;
        jobs.push_back({photo, isCurrent(photo.id) ? edit_.settings() : presentSettings(photo.id)});
    }
    if (jobs.empty() || !options.destination) return;

    // A folder that cannot be made fails each photo with its own message.
    std::error_code ignored;
    std::filesystem::create_directories(*options.destination, ignored);

    exportProgress_.setDone(0);
    exportProgress_.setTotal(static_cast<int>(jobs.size()));
    exportProgress_.setRunning(true);
    exportProgress_.setMessage({});

    exportPool_.start([this, jobs = std::move(jobs), options]() mutable { runExport(std::move(jobs), options); });
}

// On the export thread. The model stays alive while this runs (its
// destructor waits), and every change of model state hops to the main thread.
void AppModel::runExport(std::vector<ExportJob> jobs, const ExportOptions& options) {
    const std::filesystem::path folder = *options.destination;
    const std::string extension(ext(options.format));
    std::vector<std::string> failures;
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        if (exportStop_->load()) return;
        const ExportJob& job = jobs[i];
        const std::string name =
            Exporter::fileName(options.nameTemplate, job.photo.url, static_cast<int>(i), job.photo.rating);
        // name.ext, then name-1.ext, name-2.ext ...: an existing file is never replaced.
        if (auto error = Exporter::exportPhoto(job.photo.url, job.settings, options,
                                               numberedExportNames(folder, name, extension))) {
            failures.push_back(std::move(error->message));
        }
        QMetaObject::invokeMethod(
            this, [this, done = static_cast<int>(i + 1)] { exportProgress_.setDone(done); }, Qt::QueuedConnection);
    }
    QMetaObject::invokeMethod(
        this, [this, total = static_cast<int>(jobs.size()), failures = std::move(failures)] {
            finishExport(total, failures);
        },
        Qt::QueuedConnection);
}

void AppModel::finishExport(int total, const std::vector<std::string>& failures) {
    exportProgress_.setRunning(false);
    const QString summary = QString::fromStdString(exportSummary(total, failures));
    exportProgress_.setMessage(summary);
    flash(summary);
}

}  // namespace ombrel
