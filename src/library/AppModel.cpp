#include "AppModel.h"

#include <QThread>

#include <algorithm>

namespace ombrel {

AppModel::AppModel(ModelServices services, ModelTimings timings, Clock clock, QObject* parent)
    : QObject(parent), services_(std::move(services)), timings_(timings), clock_(std::move(clock)) {
    // Precise: a coarse timer may fire up to 5% early, and these delays are promises.
    for (QTimer* timer : {&saveTimer_, &statusTimer_, &reloadTimer_, &histTimer_}) {
        timer->setSingleShot(true);
        timer->setTimerType(Qt::PreciseTimer);
    }
    saveTimer_.setInterval(timings_.save);
    statusTimer_.setInterval(timings_.status);
    reloadTimer_.setInterval(timings_.reload);

    // A superseded decode runs to its end; spare threads keep a newer decode,
    // metadata and the histogram from queueing behind it on small machines.
    workers_.setMaxThreadCount(std::max(4, QThread::idealThreadCount()));
    exportPool_.setMaxThreadCount(1);
    prefetchPool_.setMaxThreadCount(1);
    prefetchPool_.setThreadPriority(QThread::IdlePriority);

    presetsFile_ = PresetStore::defaultFile();
    if (presetsFile_) userPresets_ = PresetStore::read(*presetsFile_);

    connect(&saveTimer_, &QTimer::timeout, this, [this] {
        if (currentID_) writeSidecar(*currentID_);
    });
    connect(&statusTimer_, &QTimer::timeout, this, [this] { setStatus({}); });
    connect(&reloadTimer_, &QTimer::timeout, this, &AppModel::reloadIfStillCurrent);
    connect(&histTimer_, &QTimer::timeout, this, &AppModel::measureHistogram);
}

// Background work holds only copies, but nothing of it should outlive the
// model: a quitting app or a finished test may remove the files it reads.
// A running export stops after the photo it is writing, so no half-written
// file is left and no thread outlives the model.
AppModel::~AppModel() {
    exportStop_->store(true);
    exportPool_.waitForDone();
    prefetchPool_.waitForDone();
    workers_.waitForDone();
}

void AppModel::setPhotos(std::vector<Photo> photos) {
    if (photos == photos_) return;
    photos_ = std::move(photos);
    emit photosChanged();
}

void AppModel::setSelection(const PhotoIDs& ids) {
    if (ids == selection_) return;
    selection_ = ids;
    emit selectionChanged();
}

void AppModel::setCurrentID(std::optional<Uuid> id) {
    if (id == currentID_) return;
    currentID_ = id;
    emit currentIDChanged();
}

void AppModel::setMinRating(int rating) {
    if (rating == minRating_) return;
    minRating_ = rating;
    emit minRatingChanged();
}

void AppModel::setFlagFilter(FlagFilter filter) {
    if (filter == flagFilter_) return;
    flagFilter_ = filter;
    emit flagFilterChanged();
}

void AppModel::setStatus(const QString& status) {
    if (status == status_) return;
    status_ = status;
    emit statusChanged();
}

void AppModel::setLoading(bool loading) {
    if (loading == loading_) return;
    loading_ = loading;
    emit loadingChanged();
}

void AppModel::setShowExport(bool show) {
    if (show == showExport_) return;
    showExport_ = show;
    emit showExportChanged();
}

void AppModel::setUserPresets(std::vector<Preset> presets) {
    if (presets == userPresets_) return;
    userPresets_ = std::move(presets);
    emit userPresetsChanged();
}

void AppModel::setFolderName(const QString& name) {
    if (name == folderName_) return;
    folderName_ = name;
    emit folderNameChanged();
}

void AppModel::setCopied(const EditSettings& settings) {
    const bool had = copied_.has_value();
    copied_ = settings;
    if (!had) emit hasCopiedChanged();
}

// Called after every change of either stack; announces only what flipped.
void AppModel::publishUndoState() {
    const bool undoable = history_.canUndo();
    const bool redoable = history_.canRedo();
    if (undoable != announcedCanUndo_) {
        announcedCanUndo_ = undoable;
        emit canUndoChanged();
    }
    if (redoable != announcedCanRedo_) {
        announcedCanRedo_ = redoable;
        emit canRedoChanged();
    }
}

void AppModel::flash(const QString& message) {
    setStatus(message);
    statusTimer_.start();  // restarting drops the older message's countdown
}

Photo* AppModel::findPhoto(const Uuid& id) {
    const auto it = std::find_if(photos_.begin(), photos_.end(), [&](const Photo& p) { return p.id == id; });
    return it == photos_.end() ? nullptr : &*it;
}

const Photo* AppModel::findPhoto(const Uuid& id) const {
    const auto it = std::find_if(photos_.begin(), photos_.end(), [&](const Photo& p) { return p.id == id; });
    return it == photos_.end() ? nullptr : &*it;
}

}  // namespace ombrel
