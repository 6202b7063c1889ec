#pragma once

#include <QString>

#include <filesystem>
#include <vector>

namespace ombrel {

struct PhotoListing {
    std::vector<std::filesystem::path> files;  // in file-browser order of their names
    QString folderName;                        // what the window shows as the open folder
};

// The photos among `locations`, given in any mix of folders and files.
// Folders are listed without descending and without hidden entries; a file
// is a photo by its extension alone. Missing locations and unreadable folders
// count as empty. The folder name is that of the last folder given, else the
// parent of the first photo file. Nothing is de-duplicated: a file given
// twice is listed twice.
PhotoListing listPhotos(const std::vector<std::filesystem::path>& locations);

// Sorts by file name as a file browser does: digit runs by their value, letter
// case ignored. Stable, so equal names keep their order; folders do not matter.
void sortByFileName(std::vector<std::filesystem::path>& files);

}  // namespace ombrel
