#include "FilmstripModel.h"

#include "FilmstripThumbnails.h"

#include "library/AppModel.h"

#include <algorithm>

namespace ombrel {

FilmstripModel::FilmstripModel(AppModel& model, const FilmstripThumbnails& thumbnails, QObject* parent)
    : QAbstractListModel(parent), model_(model), thumbnails_(thumbnails), rows_(currentRows()) {
    for (auto signal : {&AppModel::photosChanged, &AppModel::selectionChanged, &AppModel::currentIDChanged,
                        &AppModel::minRatingChanged, &AppModel::flagFilterChanged})
        connect(&model_, signal, this, &FilmstripModel::refresh);
}

int FilmstripModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant FilmstripModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const Row& row = rows_[static_cast<std::size_t>(index.row())];
    switch (role) {
        case FileNameRole:
        case Qt::ToolTipRole: return QString::fromStdString(std::filesystem::path(row.file).filename().string());
        case RatingRole: return row.rating;
        case FlagRole: return static_cast<int>(row.flag);
        case CurrentRole: return row.current;
        case SelectedRole: return row.selected;
        case DimmedRole: return row.flag == Flag::reject;
        case PictureRole: return thumbnails_.picture(row.file);
        case FailedRole: return thumbnails_.failed(row.file);
        default: return {};
    }
}

std::optional<int> FilmstripModel::rowOf(const Uuid& id) const {
    const auto it = std::find_if(rows_.begin(), rows_.end(), [&](const Row& r) { return r.id == id; });
    if (it == rows_.end()) return std::nullopt;
    return static_cast<int>(it - rows_.begin());
}

void FilmstripModel::pictureArrived(const QString& file) {
    const std::string path = file.toStdString();
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i].file == path) rowsChanged(static_cast<int>(i), static_cast<int>(i));
    }
}

std::vector<FilmstripModel::Row> FilmstripModel::currentRows() const {
    std::vector<Row> rows;
    rows.reserve(model_.photos().size());
    for (const Photo& photo : model_.photos()) {
        if (!model_.isVisible(photo)) continue;
        rows.push_back({photo.id, photo.url.native(), photo.rating, photo.flag, model_.currentID() == photo.id,
                        model_.selection().contains(photo.id)});
    }
    return rows;
}

void FilmstripModel::refresh() {
    std::vector<Row> next = currentRows();
    const bool sameList = std::equal(rows_.begin(), rows_.end(), next.begin(), next.end(),
                                     [](const Row& a, const Row& b) { return a.id == b.id; });
    if (!sameList) {
        beginResetModel();
        rows_ = std::move(next);
        endResetModel();
        return;
    }
    // One signal per run of neighbouring changed rows: a Shift-click range is one.
    std::optional<int> runStart;
    for (std::size_t i = 0; i <= rows_.size(); ++i) {
        const bool changed = i < rows_.size() && rows_[i] != next[i];
        if (changed) rows_[i] = std::move(next[i]);
        if (changed && !runStart) runStart = static_cast<int>(i);
        if (!changed && runStart) {
            rowsChanged(*runStart, static_cast<int>(i) - 1);
            runStart.reset();
        }
    }
}

void FilmstripModel::rowsChanged(int first, int last) { emit dataChanged(index(first), index(last)); }

}  // namespace ombrel
