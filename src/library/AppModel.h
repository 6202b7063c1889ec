#pragma once

#include "EditField.h"
#include "EditRun.h"
#include "EditState.h"
#include "ExportProgress.h"
#include "FieldBinding.h"
#include "HistogramModel.h"
#include "KeyHandling.h"
#include "ModelServices.h"
#include "ModelTimings.h"
#include "PresetStore.h"
#include "TaskToken.h"
#include "UndoHistory.h"
#include "ViewState.h"
#include "WhiteBalanceSolver.h"

#include "model/EditSettings.h"
#include "model/Flag.h"
#include "model/FlagFilter.h"
#include "model/Photo.h"
#include "model/Preset.h"
#include "model/Section.h"
#include "model/Uuid.h"
#include "render/LoadedImage.h"
#include "render/Pipeline.h"
#include "services/ExportOptions.h"

#include <QObject>
#include <QString>
#include <QThreadPool>
#include <QTimer>

#include <atomic>
#include <deque>
#include <memory>

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace ombrel {

using PhotoIDs = std::set<Uuid>;

// The one model of the window: the open photos, the selection and the current
// photo, the filters, the status line, the edit of the current photo with its
// undo history, sidecar saving, and the loading of the current photo's images.
//
// Everything here lives on the main thread. Decoding, metadata, sidecar
// reading and the histogram run on the model's own pool with copies of their
// inputs; their results come back to the main thread and are applied only if
// they are still wanted (not superseded, same photo, and for full-size
// decodes the same RAW options).
class AppModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(std::vector<ombrel::Photo> photos READ photos NOTIFY photosChanged)
    Q_PROPERTY(ombrel::PhotoIDs selection READ selection WRITE setSelection NOTIFY selectionChanged)
    Q_PROPERTY(std::optional<ombrel::Uuid> currentID READ currentID NOTIFY currentIDChanged)
    Q_PROPERTY(int minRating READ minRating WRITE setMinRating NOTIFY minRatingChanged)
    Q_PROPERTY(ombrel::FlagFilter flagFilter READ flagFilter WRITE setFlagFilter NOTIFY flagFilterChanged)
    Q_PROPERTY(QString status READ status NOTIFY statusChanged)
    Q_PROPERTY(bool loading READ loading NOTIFY loadingChanged)
    Q_PROPERTY(bool canUndo READ canUndo NOTIFY canUndoChanged)
    Q_PROPERTY(bool canRedo READ canRedo NOTIFY canRedoChanged)
    Q_PROPERTY(bool hasCopied READ hasCopied NOTIFY hasCopiedChanged)
    Q_PROPERTY(std::vector<ombrel::Preset> userPresets READ userPresets WRITE setUserPresets NOTIFY userPresetsChanged)
    Q_PROPERTY(bool showExport READ showExport WRITE setShowExport NOTIFY showExportChanged)
    Q_PROPERTY(ombrel::ExportProgress* exportProgress READ exportProgress CONSTANT)
    Q_PROPERTY(QString folderName READ folderName NOTIFY folderNameChanged)
    Q_PROPERTY(ombrel::EditState* edit READ edit CONSTANT)
    Q_PROPERTY(ombrel::ViewState* view READ view CONSTANT)
    Q_PROPERTY(ombrel::HistogramModel* histogram READ histogram CONSTANT)

public:
    // Long side of the preview decode, in pixels.
    static constexpr double proxyMaxSide = 2800;
    // A full-size decode is worth it only when the proxy is smaller than the photo.
    static constexpr double fullDecodeBelowScale = 0.999;

    explicit AppModel(ModelServices services, ModelTimings timings = {}, Clock clock = steadyNow,
                      QObject* parent = nullptr);
    ~AppModel() override;

    // --- Observable state
    const std::vector<Photo>& photos() const { return photos_; }
    const PhotoIDs& selection() const { return selection_; }  // besides the current photo
    const std::optional<Uuid>& currentID() const { return currentID_; }
    int minRating() const { return minRating_; }
    FlagFilter flagFilter() const { return flagFilter_; }
    const QString& status() const { return status_; }
    bool loading() const { return loading_; }
    bool canUndo() const { return history_.canUndo(); }
    bool canRedo() const { return history_.canRedo(); }
    bool hasCopied() const { return copied_.has_value(); }
    const std::vector<Preset>& userPresets() const { return userPresets_; }
    bool showExport() const { return showExport_; }
    ExportProgress* exportProgress() { return &exportProgress_; }
    const QString& folderName() const { return folderName_; }
    EditState* edit() { return &edit_; }
    ViewState* view() { return &view_; }
    HistogramModel* histogram() { return &histogram_; }
    const EditState& edit() const { return edit_; }
    const ViewState& view() const { return view_; }
    const HistogramModel& histogram() const { return histogram_; }

    // Views and menus assign these directly; filters only change what is visible.
    void setSelection(const PhotoIDs& ids);
    void setMinRating(int rating);
    void setFlagFilter(FlagFilter filter);
    void setShowExport(bool show);
    void setUserPresets(std::vector<Preset> presets);

    // --- Opening
    // Makes the supported photos among `locations` (folders, listed without
    // descending, and single files) the open set, sorted by file name. Reads
    // their sidecars in the background, then shows the first photo.
    void open(const std::vector<std::filesystem::path>& locations);
    // Shows `message` in the status line for the status time; a newer
    // message replaces it and gets the full time again.
    void flash(const QString& message);

    // --- Navigation, selection, ratings and flags
    std::vector<Photo> visiblePhotos() const;  // the current photo always among them
    // Whether `photo` is among the visible ones, without copying the list.
    bool isVisible(const Photo& photo) const;
    std::optional<Photo> current() const;
    // The current photo and the selection, in photo order, hidden ones included.
    std::vector<Uuid> targetIDs() const;
    // A filmstrip click: `extend` selects a range, `toggle` adds or removes one.
    void select(const Uuid& id, bool extend, bool toggle);
    void step(int delta);
    void setRating(int rating);
    void toggleFlag(Flag flag);

    // --- Editing
    // Changes the current photo's settings; edits with the same key on the
    // same photo in quick succession are one undo step.
    void mutate(const std::string& key, const std::function<void(EditSettings&)>& change);
    FieldBinding binding(EditField field);
    void undo();
    void redo();
    // A gesture ended (a drag was released): the next edit is a new undo step
    // even with the same key and within the coalescing time.
    void endEditRun() { lastEdit_.interrupt(); }
    void reset(Section section);
    const UndoHistory& history() const { return history_; }
    // The latest known settings of a photo: its sidecar's or its last edit.
    std::optional<EditSettings> cachedSettings(const Uuid& id) const;
    std::optional<EditSettings> copied() const { return copied_; }
    void setCopied(const EditSettings& settings);

    // Writes one photo's sidecar now (or deletes it when nothing is left to keep).
    void writeSidecar(const Uuid& id);
    // Writes the current photo's pending save at once; called at quit.
    void saveNow();
    bool savePending() const { return saveTimer_.isActive(); }

    // --- Settings transfer and presets. A transfer never carries the crop
    // or the RAW options: those stay with each photo.
    void copySettings();
    void pasteSettings();
    // The current photo's settings to the other targets.
    void syncSettings();
    void applyPreset(const Preset& preset);
    // A new user preset from the current settings, without crop or RAW options.
    void savePreset(const std::string& name);
    void deletePreset(const Preset& preset);  // every user preset with its id
    // Where the user presets are read and written; nothing when no folder is known.
    const std::optional<std::filesystem::path>& presetsFile() const { return presetsFile_; }

    // --- White balance
    // The eyedropper's click, in fractions of the displayed frame from its top
    // left: makes that point of the unadjusted photo neutral, as one undo step.
    void pickWhiteBalance(double nx, double ny);
    static whitebalance::Setting solveWB(float r, float g, float b) { return whitebalance::solve(r, g, b); }

    // --- Export
    // Exports the targets in photo order with the settings they have now,
    // one after another in the background; progress and the summary come
    // through `exportProgress` and the status line. Returns at once.
    void exportTargets(const ExportOptions& options);

    // --- Images of the current photo
    // Asks for the full-resolution image when the preview needs more pixels
    // than the proxy has.
    void requestFull();
    const std::optional<LoadedImage>& proxy() const { return proxy_; }
    // Shown until the proxy of a newly current photo arrives: its embedded or
    // quickly reduced preview, upright, without the edit. Null when none.
    const std::shared_ptr<const Bitmap8>& quickLook() const { return quickLook_; }
    // Proxies kept for photos next to the current one (stepped away from, or
    // decoded ahead in the direction of the last step).
    static constexpr std::size_t keptProxyLimit = 2;
    std::size_t keptProxyCount() const { return keptProxies_.size(); }
    const std::optional<LoadedImage>& full() const { return full_; }
    const RawOptions& loadedRaw() const { return loadedRaw_; }  // the options `proxy` was decoded with
    // Called on the idle decode-ahead thread with each proxy decoded ahead and
    // the settings it will be shown with, so the preview can prepare its first
    // frame before the user gets there. Must not throw.
    using ProxyWarmer = std::function<void(const LoadedImage&, const EditSettings&)>;
    void setProxyWarmer(ProxyWarmer warmer) { proxyWarmer_ = std::move(warmer); }
    Pipeline& pipeline() { return pipeline_; }

    // --- Keyboard: true when the key was consumed.
    bool handleKey(keys::Key key, keys::Modifiers modifiers, std::string_view text, bool dialogActive,
                   bool textFieldFocused);

    const ModelTimings& timings() const { return timings_; }

signals:
    void photosChanged();
    void selectionChanged();
    void currentIDChanged();
    void minRatingChanged();
    void flagFilterChanged();
    void statusChanged();
    void loadingChanged();
    void canUndoChanged();
    void canRedoChanged();
    void hasCopiedChanged();
    void userPresetsChanged();
    void showExportChanged();
    void folderNameChanged();
    void quickLookChanged();

private:
    void setPhotos(std::vector<Photo> photos);
    void setCurrentID(std::optional<Uuid> id);
    void setStatus(const QString& status);
    void setLoading(bool loading);
    void setFolderName(const QString& name);
    void publishUndoState();

    Photo* findPhoto(const Uuid& id);
    const Photo* findPhoto(const Uuid& id) const;
    bool isCurrent(const Uuid& id) const { return currentID_ == id; }
    bool isTarget(const Uuid& id) const;
    EditSettings presentSettings(const Uuid& id) const;

    void readSidecars(const std::vector<Photo>& photos);

    void writeSidecarOf(const Photo& photo);
    void apply(EditSettings settings, const Uuid& id, EditSettings old);
    void restore(const UndoEntry& entry);
    void scheduleSave();

    void loadCurrent();
    void loadCurrentKeepingView();
    void scheduleReload();
    void reloadIfStillCurrent();
    void scheduleHistogram(bool newPhoto = false);
    void measureHistogram();
    void cancelLoadTask();
    void proxyArrived(const Uuid& id, const RawOptions& raw, std::optional<LoadedImage> image, const QString& name);
    void loadQuickLook(const Uuid& id, const std::filesystem::path& file);
    ModelServices::QuickLookSink quickLookSink(const Uuid& id, const TaskToken& token);
    void setQuickLook(std::shared_ptr<const Bitmap8> picture);
    void keepProxy(const Uuid& id, const RawOptions& raw, LoadedImage image);
    std::optional<LoadedImage> takeKeptProxy(const Uuid& id, const RawOptions& raw);
    void prefetchNext();
    void warmUp(const LoadedImage& image, const EditSettings& settings);
    // Empties `image`, its pixels freed off the main thread: giving tens of
    // megabytes back to the system takes long enough to stall a frame.
    void release(std::optional<LoadedImage>& image);
    void dropPrefetched();

    using Transform = std::function<EditSettings(const EditSettings&)>;
    void applyToTargets(const std::vector<Uuid>& ids, const Transform& transform);
    void persistPresets();

    struct ExportJob {
        Photo photo;
        EditSettings settings;
    };
    void runExport(std::vector<ExportJob> jobs, const ExportOptions& options);
    void finishExport(int total, const std::vector<std::string>& failures);

    ModelServices services_;
    ModelTimings timings_;
    Clock clock_;

    std::vector<Photo> photos_;
    PhotoIDs selection_;
    std::optional<Uuid> currentID_;
    int minRating_ = 0;
    FlagFilter flagFilter_ = FlagFilter::all;
    QString status_;
    bool loading_ = false;
    std::vector<Preset> userPresets_;
    bool showExport_ = false;
    ExportProgress exportProgress_;
    QString folderName_;
    EditState edit_;
    ViewState view_;
    HistogramModel histogram_;
    Pipeline pipeline_;

    std::optional<LoadedImage> proxy_;
    std::optional<LoadedImage> full_;
    bool fullFailed_ = false;  // the full-size decode of the current photo failed
    std::shared_ptr<const Bitmap8> quickLook_;
    struct KeptProxy {
        Uuid id;
        RawOptions raw;
        LoadedImage image;
    };
    std::deque<KeptProxy> keptProxies_;  // newest first
    struct Prefetch {
        Uuid id;
        RawOptions raw;
        TaskToken token;
    };
    std::optional<Prefetch> prefetch_;  // the decode ahead under way
    ProxyWarmer proxyWarmer_;
    // Direction of the step that made the photo current: 0 for a click or an
    // open, which give no hint of where the user goes next.
    int lastStep_ = 0;
    int stepping_ = 0;
    RawOptions loadedRaw_;
    std::map<Uuid, EditSettings> settingsCache_;
    std::optional<EditSettings> copied_;
    UndoHistory history_;
    bool announcedCanUndo_ = false;
    bool announcedCanRedo_ = false;
    EditRun lastEdit_;

    // Pending work. Restarting a timer or replacing a token supersedes the
    // previous request: that is how bursts of changes are debounced.
    QTimer saveTimer_;
    QTimer statusTimer_;
    QTimer reloadTimer_;
    QTimer histTimer_;
    std::optional<TaskToken> openTask_;  // sidecar reading of the latest open
    std::optional<TaskToken> loadTask_;  // preview decode or delayed re-decode
    std::optional<TaskToken> fullTask_;  // kept until that decode ends, even when cancelled
    std::optional<TaskToken> histTask_;
    std::optional<TaskToken> quickTask_;
    std::optional<Uuid> reloadFor_;      // the photo a delayed re-decode was scheduled for

    std::optional<std::filesystem::path> presetsFile_;

    // Declared last: destroyed first, after the destructor has waited for them.
    QThreadPool workers_;
    // One thread: batches, and the photos within one, run one after another.
    QThreadPool exportPool_;
    // One idle-priority thread: decoding ahead only uses time nothing else wants.
    QThreadPool prefetchPool_;
    // Set when the model goes away: a running batch stops after its photo.
    std::shared_ptr<std::atomic<bool>> exportStop_ = std::make_shared<std::atomic<bool>>(false);
};

}  // namespace ombrel
