#include "AppModel.h"

#include "model/Sidecar.h"

#include <string>

namespace ombrel {
namespace {

// Puts one sidebar section's fields back to their unedited values.
void resetSection(EditSettings& s, Section section) {
    const EditSettings d;
    switch (section) {
        case Section::basic:
            s.exposure = d.exposure;
            s.contrast = d.contrast;
            s.highlights = d.highlights;
            s.shadows = d.shadows;
            s.whites = d.whites;
            s.blacks = d.blacks;
            s.temperature = d.temperature;
            s.tint = d.tint;
            s.vibrance = d.vibrance;
            s.saturation = d.saturation;
            break;
        case Section::curve: s.curves = d.curves; break;
        case Section::hsl: s.hsl = d.hsl; break;
        case Section::detail:
            s.sharpAmount = d.sharpAmount;
            s.sharpRadius = d.sharpRadius;
            s.lumNR = d.lumNR;
            s.colorNR = d.colorNR;
            break;
        case Section::lens:
            s.vignette = d.vignette;
            s.distortion = d.distortion;
            break;
        case Section::crop: s.crop = d.crop; break;
        case Section::raw: s.raw = d.raw; break;
    }
}

}  // namespace

void AppModel::mutate(const std::string& key, const std::function<void(EditSettings&)>& change) {
    if (!currentID_) return;
    const Uuid id = *currentID_;
    const EditSettings before = edit_.settings();
    EditSettings after = before;
    change(after);
    if (after == before) return;

    const auto now = clock_();
    if (!lastEdit_.continues(key, id, now, timings_.coalescing)) {
        history_.record({id, before});
        publishUndoState();
    }
    lastEdit_.note(key, id, now);
    apply(std::move(after), id, before);
}

FieldBinding AppModel::binding(EditField field) { return FieldBinding(*this, field); }

// The one commit of every edit, undo and redo.
void AppModel::apply(EditSettings settings, const Uuid& id, EditSettings old) {
    edit_.setSettings(settings);
    settingsCache_[id] = settings;
    scheduleSave();
    if (settings.raw != old.raw) scheduleReload();
    view_.bumpTick();
    scheduleHistogram();
}

void AppModel::undo() {
    auto entry = history_.popUndo();
    if (!entry) return;
    history_.pushRedo({entry->id, presentSettings(entry->id)});
    restore(*entry);
}

void AppModel::redo() {
    auto entry = history_.popRedo();
    if (!entry) return;
    history_.pushUndo({entry->id, presentSettings(entry->id)});
    restore(*entry);
}

// Undoing an edit of another photo first goes back to that photo.
void AppModel::restore(const UndoEntry& entry) {
    publishUndoState();
    lastEdit_.interrupt();
    if (!isCurrent(entry.id)) select(entry.id, false, false);
    apply(entry.settings, entry.id, edit_.settings());
}

void AppModel::reset(Section section) {
    const std::string key =
        "reset-" + std::string(sectionTexts.text(section)) + "-" + Uuid::generate().toString();
    mutate(key, [section](EditSettings& settings) { resetSection(settings, section); });
}

EditSettings AppModel::presentSettings(const Uuid& id) const {
    const auto cached = settingsCache_.find(id);
    return cached != settingsCache_.end() ? cached->second : EditSettings{};
}

std::optional<EditSettings> AppModel::cachedSettings(const Uuid& id) const {
    const auto cached = settingsCache_.find(id);
    if (cached == settingsCache_.end()) return std::nullopt;
    return cached->second;
}

void AppModel::scheduleSave() { saveTimer_.start(); }

void AppModel::saveNow() {
    saveTimer_.stop();
    if (currentID_) writeSidecar(*currentID_);
}

void AppModel::writeSidecar(const Uuid& id) {
    if (const Photo* photo = findPhoto(id)) writeSidecarOf(*photo);
}

// Failures are silent: the settings stay in memory and the next write tries again.
void AppModel::writeSidecarOf(const Photo& photo) {
    Sidecar sidecar;
    sidecar.settings = isCurrent(photo.id) ? edit_.settings() : presentSettings(photo.id);
    sidecar.rating = photo.rating;
    sidecar.flag = photo.flag;
    Sidecar::write(sidecar, photo.url);
}

}  // namespace ombrel
