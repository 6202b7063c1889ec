#include "ui/Filmstrip.h"
#include "ui/FilmstripModel.h"
#include "ui/FilmstripThumbnails.h"
#include "ui/Theme.h"

#include "ModelFixture.h"

#include "imageio/ImageLoader.h"
#include "model/Sidecar.h"
#include "services/ThumbnailStore.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QListView>
#include <QScrollBar>
#include <QtTest>

#include <algorithm>
#include <future>
#include <mutex>
#include <set>

using namespace ombrel;
using namespace ombrel::test;
namespace fs = std::filesystem;

namespace {

// Photos p01, p02, ... with ratings and flags in their sidecars, and the
// filmstrip over them at `width`, with a thumbnail store of its own that
// records the files it makes thumbnails of, once `gate` lets it.
struct Strip {
    struct Photo {
        int rating = 0;
        Flag flag = Flag::none;
    };

    TempDir dir;
    TempDir cache;
    std::vector<fs::path> files;
    std::promise<void> opener;
    std::shared_future<void> gate = opener.get_future().share();
    std::mutex mutex;
    std::set<fs::path> made;  // guarded by `mutex`
    ThumbnailStore store{cache.path(), [this](const fs::path& file, int maxSide) {
                             gate.wait();
                             std::lock_guard lock(mutex);
                             made.insert(file);
                             return ImageLoader::thumbnail(file, maxSide);
                         }};
    AppModel model{ModelServices::standard()};
    std::unique_ptr<Filmstrip> filmstrip;

    Strip(const std::vector<Photo>& photos, int width, bool gateOpen = true) {
        for (std::size_t i = 0; i < photos.size(); ++i) {
            files.push_back(copyTestFileAs(smallPng, dir.path(), QString::asprintf("p%02zu.png", i + 1).toStdString()));
            Sidecar::write(Sidecar{.settings = {}, .rating = photos[i].rating, .flag = photos[i].flag}, files.back());
        }
        if (gateOpen) opener.set_value();
        filmstrip = std::make_unique<Filmstrip>(model, store);
        filmstrip->resize(width, filmstrip->height());
        filmstrip->show();
        QVERIFY(QTest::qWaitForWindowExposed(filmstrip.get()));
        QVERIFY(openAndWait(model, {dir.path()}));
    }
    ~Strip() {
        if (gate.wait_for(std::chrono::seconds(0)) != std::future_status::ready) opener.set_value();
        filmstrip.reset();
    }

    std::set<fs::path> madeSoFar() {
        std::lock_guard lock(mutex);
        return made;
    }

    QListView* view() const { return filmstrip->findChild<QListView*>(QStringLiteral("filmstripStrip")); }
    FilmstripModel* rows() const { return static_cast<FilmstripModel*>(view()->model()); }
    QString count() const { return filmstrip->findChild<QLabel*>(QStringLiteral("filmstripCount"))->text(); }
    QComboBox* picker(const char* name) const { return filmstrip->findChild<QComboBox*>(QLatin1String(name)); }
    QVariant cell(int row, int role) const { return rows()->index(row).data(role); }
    bool hasPicture(int row) const { return !cell(row, FilmstripModel::PictureRole).value<QImage>().isNull(); }

    // A cell's picture box, without the half gaps on either side.
    QRect box(int row) const { return view()->visualRect(rows()->index(row)).adjusted(3, 0, -3, 0); }
    // The rows whose boxes the view itself draws inside its viewport.
    std::vector<int> rowsInView() const {
        std::vector<int> shown;
        for (int row = 0; row < rows()->rowCount(); ++row) {
            if (box(row).intersects(view()->viewport()->rect())) shown.push_back(row);
        }
        return shown;
    }
    bool allInViewHavePictures() const {
        const auto shown = rowsInView();
        return std::all_of(shown.begin(), shown.end(), [&](int row) { return hasPicture(row); });
    }
    bool currentCellInView() const {
        const auto row = rows()->rowOf(*model.currentID());
        return row && view()->viewport()->rect().contains(box(*row));
    }

    void click(int row, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(view()->viewport(), Qt::LeftButton, modifiers, box(row).center());
    }
};

// The scroll position once the strip has stopped moving to follow the current photo.
int settled(QScrollBar* bar) {
    int last = -1;
    while (last != bar->value()) {
        last = bar->value();
        QTest::qWait(50);
    }
    return last;
}

}  // namespace

class FilmstripTest : public QObject {
    Q_OBJECT

private slots:
    void init() { OMBREL_QSKIP_WITHOUT_TESTDATA(); }

    void pickersFilterTheCellsAndFollowTheModel() {
        Strip strip({{3}, {4, Flag::pick}, {5}, {3}, {0, Flag::pick}, {1}, {2, Flag::reject}, {}, {}, {1}},
                    900);
        QCOMPARE(strip.count(), QStringLiteral("10 of 10 photos"));
        QCOMPARE(strip.picker("ratingFilter")->count(), 6);
        // p01 is current, so it stays whatever the filters.
        const struct {
            const char *rating, *flag, *count;
            QStringList names;
        } cases[] = {
            {"3+ ★", "All", "4 of 10 photos", {"p01", "p02", "p03", "p04"}},
            {"Any rating", "Picks", "3 of 10 photos", {"p01", "p02", "p05"}},
            {"Any rating", "Rejects", "2 of 10 photos", {"p01", "p07"}},
            {"5+ ★", "Picks", "1 of 10 photos", {"p01"}},
            {"1+ ★", "Unflagged", "5 of 10 photos", {"p01", "p03", "p04", "p06", "p10"}},
        };
        for (const auto& c : cases) {
            strip.picker("ratingFilter")->setCurrentText(c.rating);
            strip.picker("flagFilter")->setCurrentText(c.flag);
            QCOMPARE(strip.count(), QString(c.count));
            QStringList shown;
            for (int row = 0; row < strip.rows()->rowCount(); ++row)
                shown << strip.cell(row, FilmstripModel::FileNameRole).toString().chopped(4);
            QCOMPARE(shown, c.names);
        }

        // Set from elsewhere (a menu, a test), the pickers show it.
        strip.model.setMinRating(2);
        strip.model.setFlagFilter(FlagFilter::all);
        QCOMPARE(strip.picker("ratingFilter")->currentText(), QStringLiteral("2+ ★"));
        QCOMPARE(strip.picker("flagFilter")->currentText(), QStringLiteral("All"));
        QCOMPARE(strip.count(), QStringLiteral("5 of 10 photos"));
    }

    void clicksSelectWithShiftAndCtrl() {
        Strip strip(std::vector<Strip::Photo>(8), 1100);
        const auto marks = [&] {
            QString out;
            for (int row = 0; row < strip.rows()->rowCount(); ++row) {
                out += strip.cell(row, FilmstripModel::CurrentRole).toBool()    ? 'C'
                       : strip.cell(row, FilmstripModel::SelectedRole).toBool() ? 's'
                                                                                 : '.';
            }
            return out;
        };
        QCOMPARE(marks(), QStringLiteral("C......."));
        strip.click(3);
        QCOMPARE(marks(), QStringLiteral("...C...."));
        strip.click(1, Qt::ShiftModifier);
        QCOMPARE(marks(), QStringLiteral(".ssC...."));
        strip.click(6, Qt::ControlModifier);
        QCOMPARE(marks(), QStringLiteral(".ssC..s."));
    }

    void rejectsAreDimmedAndFlagsMarked() {
        Strip strip({{}, {0, Flag::reject}, {0, Flag::pick}}, 600);
        QTRY_VERIFY(strip.allInViewHavePictures());

        // The same picture in every cell: the rejected one is drawn nearer the background.
        const QImage shot = strip.view()->viewport()->grab().toImage();
        const auto at = [&](int row, QPoint inBox) { return shot.pixelColor(strip.box(row).topLeft() + inBox); };
        const QColor ground = theme::underPage();
        const auto fromGround = [&](int row) {
            const QColor c = at(row, QPoint(58, 41));
            return std::abs(c.red() - ground.red()) + std::abs(c.green() - ground.green()) +
                   std::abs(c.blue() - ground.blue());
        };
        QVERIFY2(fromGround(1) < fromGround(0) * 0.6, "reject cell is not faded");
        // Marks 4 points in from the top left corner: red cross-circle, green flag.
        const QColor reject = at(1, QPoint(10, 7));
        const QColor pick = at(2, QPoint(11, 7));
        QVERIFY2(reject.red() > reject.green() + 40, qPrintable(reject.name()));
        QVERIFY2(pick.green() > pick.red() + 40, qPrintable(pick.name()));
        QVERIFY(at(0, QPoint(10, 7)) != reject);
    }

    void stripFollowsTheCurrentPhotoAndKeepsItsPlace() {
        Strip strip(std::vector<Strip::Photo>(30), 700);
        QScrollBar* bar = strip.view()->horizontalScrollBar();
        for (int leg = 0; leg < 4; ++leg) {
            for (int i = 0; i < 7; ++i) strip.model.step(1);
            QTRY_VERIFY(strip.currentCellInView());
        }
        QCOMPARE(*strip.model.currentID(), idOf(strip.model, "p29.png"));
        QVERIFY(bar->value() > 0);

        // A rating changes one cell; the strip does not jump back to its start.
        const int at = settled(bar);
        strip.model.setRating(4);
        QCOMPARE(strip.cell(28, FilmstripModel::RatingRole).toInt(), 4);
        QCOMPARE(bar->value(), at);

        for (int i = 0; i < 28; ++i) strip.model.step(-1);
        QTRY_VERIFY(strip.currentCellInView());
        QCOMPARE(settled(bar), 0);
    }

    void thumbnailsAreMadeOnlyForCellsInView() {
        Strip strip(std::vector<Strip::Photo>(40), 600, /*gateOpen=*/false);
        QCOMPARE(strip.rowsInView(), (std::vector<int>{0, 1, 2, 3, 4}));

        // Scrolled across the strip while the store is still busy with the
        // first cells, then let go: only the cells in view at the end get
        // made besides the few already asked for, whose answers are dropped.
        QScrollBar* bar = strip.view()->horizontalScrollBar();
        for (int value = 0; value < bar->maximum(); value += 90) bar->setValue(value);
        bar->setValue(bar->maximum());
        strip.opener.set_value();
        QTRY_VERIFY(strip.allInViewHavePictures());
        QTest::qWait(50);
        std::set<fs::path> expected(strip.files.begin(), strip.files.begin() + FilmstripThumbnails::maxInFlight);
        for (int row : strip.rowsInView()) expected.insert(strip.files[static_cast<std::size_t>(row)]);
        QCOMPARE(strip.madeSoFar(), expected);
        QVERIFY(!strip.hasPicture(0));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    theme::apply(app);
    FilmstripTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "FilmstripTest.moc"
