#include "EditState.h"

namespace ombrel {

void EditState::setSettings(const EditSettings& settings) {
    if (settings == settings_) return;
    settings_ = settings;
    emit settingsChanged();
}

void EditState::setRawDefaults(const RawOptions& defaults) {
    if (defaults == rawDefaults_) return;
    rawDefaults_ = defaults;
    emit rawDefaultsChanged();
}

void EditState::setExif(MetadataLines lines) {
    if (lines == exif_) return;
    exif_ = std::move(lines);
    emit exifChanged();
}

}  // namespace ombrel
