#include "AppModel.h"

#include <algorithm>

namespace ombrel {
namespace {

// The adjustments of `source`; the crop and the RAW options stay the photo's own.
EditSettings transferred(const EditSettings& source, const EditSettings& target) {
    EditSettings result = source;
    result.crop = target.crop;
    result.raw = target.raw;
    return result;
}

QString photoCount(std::size_t n) { return QString::number(n) + (n == 1 ? QStringLiteral(" photo") : QStringLiteral(" photos")); }

QString quoted(const std::string& name) {
    return QStringLiteral("\u201C") + QString::fromStdString(name) + QStringLiteral("\u201D");
}

}  // namespace

// One undo step per changed photo, so each can be taken back on its own.
// Photos other than the current one are saved at once: nothing would save
// them later.
void AppModel::applyToTargets(const std::vector<Uuid>& ids, const Transform& transform) {
    for (const Uuid& id : ids) {
        const EditSettings old = isCurrent(id) ? edit_.settings() : presentSettings(id);
        EditSettings changed = transform(old);
        if (changed == old) continue;
        history_.pushUndo({id, old});
        if (isCurrent(id)) {
            edit_.setSettings(changed);
            settingsCache_[id] = changed;
            scheduleSave();
            if (changed.raw != old.raw) scheduleReload();
            view_.bumpTick();
            scheduleHistogram();
        } else {
            settingsCache_[id] = std::move(changed);
            writeSidecar(id);
        }
    }
    history_.clearRedo();
    publishUndoState();
    lastEdit_.interrupt();
    scheduleSave();
}

void AppModel::copySettings() {
    setCopied(edit_.settings());
    flash(QStringLiteral("Settings copied"));
}

void AppModel::pasteSettings() {
    if (!copied_) return;
    const EditSettings source = *copied_;
    const std::vector<Uuid> ids = targetIDs();
    applyToTargets(ids, [&](const EditSettings& present) { return transferred(source, present); });
    flash(QStringLiteral("Pasted settings to ") + photoCount(ids.size()));
}

void AppModel::syncSettings() {
    const EditSettings source = edit_.settings();
    std::vector<Uuid> ids = targetIDs();
    std::erase_if(ids, [&](const Uuid& id) { return isCurrent(id); });
    if (ids.empty()) {
        flash(QStringLiteral("Select more photos to sync"));
        return;
    }
    applyToTargets(ids, [&](const EditSettings& present) { return transferred(source, present); });
    flash(QStringLiteral("Synced settings to ") + photoCount(ids.size()));
}

void AppModel::applyPreset(const Preset& preset) {
    applyToTargets(targetIDs(), [&](const EditSettings& present) { return transferred(preset.settings, present); });
    flash(QStringLiteral("Applied ") + quoted(preset.name));
}

void AppModel::savePreset(const std::string& name) {
    // Spaces and tabs only: a line break is part of the name.
    const auto first = name.find_first_not_of(" \t");
    if (first == std::string::npos) return;
    const std::string trimmed = name.substr(first, name.find_last_not_of(" \t") - first + 1);

    // A preset is about the look, not about one photo's framing or decoding.
    EditSettings settings = edit_.settings();
    settings.crop = CropSettings{};
    settings.raw = RawOptions{};

    std::vector<Preset> presets = userPresets_;
    presets.push_back({Uuid::generate(), trimmed, std::move(settings)});
    setUserPresets(std::move(presets));
    persistPresets();
    flash(QStringLiteral("Saved preset ") + quoted(trimmed));
}

void AppModel::deletePreset(const Preset& preset) {
    std::vector<Preset> presets = userPresets_;
    std::erase_if(presets, [&](const Preset& p) { return p.id == preset.id; });
    setUserPresets(std::move(presets));
    persistPresets();
}

// A file that cannot be written is not reported: the list in memory stands
// until the app quits.
void AppModel::persistPresets() {
    if (presetsFile_) PresetStore::write(*presetsFile_, userPresets_);
}

}  // namespace ombrel
