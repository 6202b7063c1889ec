#include "ModelFixture.h"

#include <QTest>

#include <algorithm>
#include <stdexcept>

namespace ombrel::test {

std::filesystem::path copyTestFileAs(const std::string& relative, const std::filesystem::path& folder,
                                     const std::string& name) {
    namespace fs = std::filesystem;
    const auto dir = testDataDir();
    if (!dir) throw std::runtime_error(missingTestDataMessage());
    const fs::path target = folder / name;
    fs::copy_file(*dir / relative, target, fs::copy_options::overwrite_existing);
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add);
    return target;
}

PhotoFolder::PhotoFolder(std::initializer_list<std::pair<const char*, const char*>> photos) {
    for (const auto& [source, name] : photos) files.push_back(copyTestFileAs(source, dir.path(), name));
}

PhotoFolder::PhotoFolder(const char* source, std::initializer_list<const char*> names) {
    for (const char* name : names) files.push_back(copyTestFileAs(source, dir.path(), name));
}

bool openAndWait(AppModel& model, const std::vector<std::filesystem::path>& locations) {
    model.open(locations);
    return QTest::qWaitFor([&] { return model.currentID().has_value(); }, 5000);
}

bool waitForLoad(AppModel& model) {
    return QTest::qWaitFor([&] { return !model.loading(); }, 10000);
}

Uuid idOf(const AppModel& model, const std::string& fileName) {
    const auto& photos = model.photos();
    const auto it = std::find_if(photos.begin(), photos.end(),
                                 [&](const Photo& p) { return p.url.filename() == fileName; });
    if (it == photos.end()) throw std::runtime_error("no open photo named " + fileName);
    return it->id;
}

std::vector<std::string> fileNames(const std::vector<Photo>& photos) {
    std::vector<std::string> names;
    for (const Photo& photo : photos) names.push_back(photo.url.filename().string());
    return names;
}

}  // namespace ombrel::test
