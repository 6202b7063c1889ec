#pragma once

#include "model/Photo.h"

#include <QAbstractListModel>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ombrel {

class AppModel;
class FilmstripThumbnails;

// The filmstrip's rows: the model's visible photos, in order, with whether
// each is current or selected and its thumbnail. Changes to ratings, flags,
// the selection or the current photo update only the rows they touch; the
// rows are rebuilt only when the visible list itself changes.
class FilmstripModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        FileNameRole = Qt::DisplayRole,
        RatingRole = Qt::UserRole + 1,
        FlagRole,        // int of Flag
        CurrentRole,
        SelectedRole,
        DimmedRole,      // drawn faded: a rejected photo
        PictureRole,     // QImage cut to the box; null while there is none
        FailedRole,      // the thumbnail store had no picture for the file
    };

    FilmstripModel(AppModel& model, const FilmstripThumbnails& thumbnails, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    const Uuid& idAt(int row) const { return rows_[static_cast<std::size_t>(row)].id; }
    std::filesystem::path fileAt(int row) const { return rows_[static_cast<std::size_t>(row)].file; }
    std::optional<int> rowOf(const Uuid& id) const;
    // Call when the picture of `file` arrived.
    void pictureArrived(const QString& file);

private:
    // What a cell shows of its photo. The file is kept as text: copying a
    // path copies its parsed parts too, which for every row of a large
    // folder would cost a click milliseconds.
    struct Row {
        Uuid id;
        std::string file;
        int rating = 0;
        Flag flag = Flag::none;
        bool current = false;
        bool selected = false;
        bool operator==(const Row&) const = default;
    };

    std::vector<Row> currentRows() const;
    void refresh();
    void rowsChanged(int first, int last);

    AppModel& model_;
    const FilmstripThumbnails& thumbnails_;
    std::vector<Row> rows_;
};

}  // namespace ombrel
