#include "PhotoListing.h"

#include "model/SupportedFiles.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QFile>
#include <QLocale>

#include <algorithm>
#include <numeric>
#include <system_error>

namespace ombrel {
namespace {

namespace fs = std::filesystem;

// "/a/b/" names the folder b, like "/a/b".
fs::path lastComponent(const fs::path& path) {
    const fs::path name = path.filename();
    return name.empty() ? path.parent_path().filename() : name;
}

QString displayName(const fs::path& name) { return QFile::decodeName(name.c_str()); }

bool isHidden(const fs::path& name) { return name.native().starts_with('.'); }

void appendFolderPhotos(const fs::path& folder, std::vector<fs::path>& out) {
    std::error_code error;
    fs::directory_iterator entries(folder, error);
    if (error) return;
    for (const fs::directory_entry& entry : entries) {
        const fs::path& path = entry.path();
        if (!isHidden(path.filename()) && isPhotoFile(path)) out.push_back(path);
    }
}

}  // namespace

PhotoListing listPhotos(const std::vector<fs::path>& locations) {
    PhotoListing listing;
    for (const fs::path& location : locations) {
        std::error_code error;
        const fs::file_status status = fs::status(location, error);
        if (error || !fs::exists(status)) continue;
        if (fs::is_directory(status)) {
            // Named before listing: an empty folder given last still names the set.
            listing.folderName = displayName(lastComponent(location));
            appendFolderPhotos(location, listing.files);
        } else if (isPhotoFile(location)) {
            listing.files.push_back(location);
            if (listing.folderName.isEmpty()) {
                listing.folderName = displayName(lastComponent(fs::absolute(location, error).parent_path()));
            }
        }
    }
    sortByFileName(listing.files);
    return listing;
}

void sortByFileName(std::vector<fs::path>& files) {
    // The C locale collates by code point and ignores numeric mode; a process
    // started without a locale still sorts like a file browser.
    QLocale locale;
    if (locale.language() == QLocale::C) locale = QLocale(QLocale::English, QLocale::UnitedStates);
    QCollator collator(locale);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);

    // One key per name, then cheap key comparisons.
    std::vector<QCollatorSortKey> keys;
    keys.reserve(files.size());
    for (const fs::path& file : files) keys.push_back(collator.sortKey(displayName(file.filename())));

    std::vector<std::size_t> order(files.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return keys[a].compare(keys[b]) < 0; });

    std::vector<fs::path> sorted;
    sorted.reserve(files.size());
    for (std::size_t i : order) sorted.push_back(std::move(files[i]));
    files = std::move(sorted);
}

}  // namespace ombrel
