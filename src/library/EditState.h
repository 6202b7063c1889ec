#pragma once

#include "model/EditSettings.h"
#include "model/RawOptions.h"

#include <QObject>

#include <string>
#include <utility>
#include <vector>

namespace ombrel {

// Labelled metadata lines of a photo ("Camera", "ISO", ...), in display order.
using MetadataLines = std::vector<std::pair<std::string, std::string>>;

// The current photo's edit, as shown and rendered. Main thread only.
class EditState : public QObject {
    Q_OBJECT
    Q_PROPERTY(ombrel::EditSettings settings READ settings NOTIFY settingsChanged)
    Q_PROPERTY(ombrel::RawOptions rawDefaults READ rawDefaults NOTIFY rawDefaultsChanged)
    Q_PROPERTY(ombrel::MetadataLines exif READ exif NOTIFY exifChanged)

public:
    using QObject::QObject;

    const EditSettings& settings() const { return settings_; }
    // The RAW decoder's own defaults for the photo, shown where the user set nothing.
    const RawOptions& rawDefaults() const { return rawDefaults_; }
    const MetadataLines& exif() const { return exif_; }

    void setSettings(const EditSettings& settings);
    void setRawDefaults(const RawOptions& defaults);
    void setExif(MetadataLines lines);

signals:
    void settingsChanged();
    void rawDefaultsChanged();
    void exifChanged();

private:
    EditSettings settings_;
    RawOptions rawDefaults_;
    MetadataLines exif_;
};

}  // namespace ombrel
