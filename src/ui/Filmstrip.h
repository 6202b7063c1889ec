#pragma once

#include <QTimer>
#include <QWidget>

#include <string>

class QComboBox;
class QLabel;
class QListView;

namespace ombrel {

class AppModel;
class FilmstripModel;
class FilmstripThumbnails;
class ThumbCellDelegate;
class ThumbnailStore;

// The strip of thumbnails under the preview, with the photo count and the
// rating and flag filters above it. Clicking a cell selects its photo (Shift
// for a range, Ctrl to add or remove one); the strip follows the current
// photo. Only cells in view are drawn and only their thumbnails are loaded.
class Filmstrip : public QWidget {
    Q_OBJECT
public:
    Filmstrip(AppModel& model, ThumbnailStore& thumbnails, QWidget* parent = nullptr);
    ~Filmstrip() override;

    QListView* strip() const { return strip_; }
    // Every cell in view has its thumbnail (or is known to have none).
    bool thumbnailsInViewShown() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildHeader();
    void buildStrip();
    void showCount();
    void showFilters();
    void scrollToCurrent();
    void photosReplaced();
    void updateVisible();
    void turnSpinners();

    AppModel& model_;
    FilmstripThumbnails* thumbnails_;
    FilmstripModel* rows_;
    ThumbCellDelegate* delegate_;
    QLabel* count_ = nullptr;
    QComboBox* rating_ = nullptr;
    QComboBox* flag_ = nullptr;
    QListView* strip_ = nullptr;
    QTimer visibleLater_;  // after a reset or resize, once the view has laid its rows out
    QTimer spinner_;
    int spinnerPhase_ = 0;
    std::size_t shownPhotoCount_ = 0;
    std::string shownFirstPhoto_;  // id of the first open photo
};

}  // namespace ombrel
