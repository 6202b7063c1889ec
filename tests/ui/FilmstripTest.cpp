#include "ui/Filmstrip.h"
#include "ui/FilmstripModel.h"
#include "ui/FilmstripThumbnails.h"
#include "ui/Theme.h"

#include "ModelFixture.h"

#include "model/Sidecar.h"
#include "render/ImageLoader.h"
#include "services/ThumbnailStore.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QListView>
#include <QScrollBar>
#include <QtTest>

#include <condition_variable>
#include <mutex>
#include <set>

using namespace ombrel;
using namespace ombrel::test;
namespace fs = std::filesystem;

namespace {

// Photos p01, p02, ... with ratings and flags in their sidecars, a thumbnail
// store of their own that records which files it was asked to make, and the
// filmstrip over them, shown at `width`.
struct Strip {
    struct Photo {
        int rating = 0;
        Flag flag = Flag::none;
    };

    TempDir dir;
    TempDir cache;
    std::vector<fs::path> files;
    std::mutex mutex;
    std::condition_variable opened;
    bool gateOpen = true;
    std::set<fs::path> made;  // guarded by `mutex`
    ThumbnailStore store{cache.path(), [this](const fs::path& file, int maxSide) {
                             std::unique_lock lock(mutex);
                             opened.wait(lock, [&] { return gateOpen; });
                             made.insert(file);
                             lock.unlock();
                             return ImageLoader::thumbnail(file, maxSide);
                         }};
    AppModel model{ModelServices::standard()};
    std::unique_ptr<Filmstrip> filmstrip;

    Strip(const std::vector<Photo>& photos, int width, bool gateOpenAtStart = true) : gateOpen(gateOpenAtStart) {
        for (std::size_t i = 0; i < photos.size(); ++i) {
            const fs::path file = copyTestFileAs(smallPng, dir.path(), QString::asprintf("p%02zu.png", i + 1).toStdString());
            Sidecar sidecar;
            sidecar.rating = photos[i].rating;
            sidecar.flag = photos[i].flag;
            Sidecar::write(sidecar, file);
            files.push_back(file);
        }
        filmstrip = std::make_unique<Filmstrip>(model, store);
        filmstrip->resize(width, filmstrip->height());
        filmstrip->show();
        QVERIFY(QTest::qWaitForWindowExposed(filmstrip.get()));
        QVERIFY(openAndWait(model, {dir.path()}));
    }
    ~Strip() {
        openGate();
        filmstrip.reset();
    }

    void openGate() {
        {
            std::lock_guard lock(mutex);
            gateOpen = true;
        }
        opened.notify_all();
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
    QString nameAt(int row) const { return cell(row, FilmstripModel::FileNameRole).toString(); }

    // A cell's picture box, without the half gaps on either side.
    QRect box(int row) const { return view()->visualRect(rows()->index(row)).adjusted(3, 0, -3, 0); }

    // The rows the view itself draws inside its viewport.
    std::set<fs::path> filesInView() const {
        std::set<fs::path> shown;
        for (int row = 0; row < rows()->rowCount(); ++row) {
            if (box(row).intersects(view()->viewport()->rect())) shown.insert(files[static_cast<std::size_t>(row)]);
        }
        return shown;
    }
    bool allInViewHavePictures() const {
        for (int row = 0; row < rows()->rowCount(); ++row) {
            if (box(row).intersects(view()->viewport()->rect()) &&
                cell(row, FilmstripModel::PictureRole).value<QImage>().isNull())
                return false;
        }
        return true;
    }
    bool currentCellInView() const {
        const auto row = rows()->rowOf(*model.currentID());
        return row && view()->viewport()->rect().contains(box(*row));
    }

    void click(int row, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(view()->viewport(), Qt::LeftButton, modifiers,
                          view()->visualRect(rows()->index(row)).center());
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

std::vector<Strip::Photo> unrated(int count) { return std::vector<Strip::Photo>(static_cast<std::size_t>(count)); }

}  // namespace

class FilmstripTest : public QObject {
    Q_OBJECT

private slots:
    void init() { OMBREL_QSKIP_WITHOUT_TESTDATA(); }

    void pickersFilterTheCellsAndFollowTheModel_data() {
        QTest::addColumn<QString>("rating");
        QTest::addColumn<QString>("flag");
        QTest::addColumn<QString>("count");
        QTest::addColumn<QStringList>("names");
        // p01 is current, so it stays whatever the filters.
        QTest::newRow("3+") << "3+ ★" << "All" << "4 of 10 photos" << QStringList{"p01", "p02", "p03", "p04"};
        QTest::newRow("picks") << "Any rating" << "Picks" << "3 of 10 photos" << QStringList{"p01", "p02", "p05"};
        QTest::newRow("rejects") << "Any rating" << "Rejects" << "2 of 10 photos" << QStringList{"p01", "p07"};
        QTest::newRow("5+ picks") << "5+ ★" << "Picks" << "1 of 10 photos" << QStringList{"p01"};
        QTest::newRow("1+ unflagged") << "1+ ★" << "Unflagged" << "5 of 10 photos"
                                      << QStringList{"p01", "p03", "p04", "p06", "p10"};
    }
    void pickersFilterTheCellsAndFollowTheModel() {
        QFETCH(QString, rating);
        QFETCH(QString, flag);
        QFETCH(QString, count);
        QFETCH(QStringList, names);
        Strip strip({{3}, {4, Flag::pick}, {5}, {3}, {0, Flag::pick}, {1}, {2, Flag::reject}, {}, {}, {1}},
                    900);
        QCOMPARE(strip.count(), QStringLiteral("10 of 10 photos"));
        QCOMPARE(strip.picker("ratingFilter")->currentText(), QStringLiteral("Any rating"));
        QCOMPARE(strip.picker("ratingFilter")->count(), 6);
        QCOMPARE(strip.picker("flagFilter")->currentText(), QStringLiteral("All"));

        strip.picker("ratingFilter")->setCurrentText(rating);
        strip.picker("flagFilter")->setCurrentText(flag);
        QCOMPARE(strip.count(), count);
        QStringList shown;
        for (int row = 0; row < strip.rows()->rowCount(); ++row) shown << strip.nameAt(row).chopped(4);
        QCOMPARE(shown, names);

        // Set from elsewhere (a menu, a test), the pickers show it.
        strip.model.setMinRating(2);
        strip.model.setFlagFilter(FlagFilter::all);
        QCOMPARE(strip.picker("ratingFilter")->currentText(), QStringLiteral("2+ ★"));
        QCOMPARE(strip.picker("flagFilter")->currentText(), QStringLiteral("All"));
        QCOMPARE(strip.count(), QStringLiteral("5 of 10 photos"));
    }

    void clicksSelectWithShiftAndCtrl() {
        Strip strip(unrated(8), 1100);
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
        strip.click(2, Qt::ControlModifier);
        QCOMPARE(marks(), QStringLiteral(".s.C..s."));
        QCOMPARE(strip.model.currentID(), idOf(strip.model, "p04.png"));
        strip.click(3);
        QCOMPARE(marks(), QStringLiteral("...C...."));
    }

    void rejectsAreDimmedAndFlagsMarked() {
        Strip strip({{}, {0, Flag::reject}, {0, Flag::pick}}, 600);
        QTRY_VERIFY(strip.allInViewHavePictures());
        QCOMPARE(strip.cell(1, FilmstripModel::DimmedRole).toBool(), true);
        QCOMPARE(strip.cell(2, FilmstripModel::DimmedRole).toBool(), false);

        // The same picture in every cell: the rejected one is drawn nearer the background.
        const QImage shot = strip.view()->viewport()->grab().toImage();
        const auto at = [&](int row, QPoint inBox) {
            const QRect cell = strip.view()->visualRect(strip.rows()->index(row));
            return shot.pixelColor(cell.topLeft() + QPoint(3, 0) + inBox);
        };
        const QPoint middle(58, 41);
        const QColor background = theme::underPage();
        const auto distance = [&](QColor c) {
            return std::abs(c.red() - background.red()) + std::abs(c.green() - background.green()) +
                   std::abs(c.blue() - background.blue());
        };
        QVERIFY2(distance(at(1, middle)) < distance(at(0, middle)) * 0.6, "reject cell is not faded");
        // Marks 4 points in from the top left corner: red cross-circle, green flag.
        const QColor reject = at(1, QPoint(10, 7));
        const QColor pick = at(2, QPoint(11, 7));
        QVERIFY2(reject.red() > reject.green() + 40, qPrintable(reject.name()));
        QVERIFY2(pick.green() > pick.red() + 40, qPrintable(pick.name()));
        QVERIFY(at(0, QPoint(10, 7)) != reject);
    }

    void stripFollowsTheCurrentPhotoAndKeepsItsPlace() {
        Strip strip(unrated(30), 700);
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
        Strip strip(unrated(40), 600, /*gateOpenAtStart=*/false);
        const std::set<fs::path> first = strip.filesInView();
        QCOMPARE(first.size(), std::size_t(5));

        // While the store is busy, scrolling across the strip asks for nothing more.
        QScrollBar* bar = strip.view()->horizontalScrollBar();
        for (int value = 0; value <= bar->maximum(); value += 90) bar->setValue(value);
        bar->setValue(bar->maximum());
        QTest::qWait(50);
        QVERIFY(strip.madeSoFar().size() <= std::size_t(FilmstripThumbnails::maxInFlight));

        // Answers for cells scrolled away are dropped; the cells now in view get theirs.
        strip.openGate();
        QTRY_VERIFY(strip.allInViewHavePictures());
        const std::set<fs::path> last = strip.filesInView();
        std::set<fs::path> expected = last;
        for (std::size_t i = 0; i < std::size_t(FilmstripThumbnails::maxInFlight); ++i) expected.insert(strip.files[i]);
        QTest::qWait(50);
        QCOMPARE(strip.madeSoFar(), expected);
        QVERIFY(strip.cell(0, FilmstripModel::PictureRole).value<QImage>().isNull());
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    theme::apply(app);
    FilmstripTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "FilmstripTest.moc"
