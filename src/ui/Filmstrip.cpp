#include "Filmstrip.h"

#include "FilmstripLayout.h"
#include "FilmstripModel.h"
#include "FilmstripThumbnails.h"
#include "Theme.h"
#include "ThumbCellDelegate.h"

#include "library/AppModel.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QLabel>
#include <QListView>
#include <QMouseEvent>
#include <QPropertyAnimation>
#include <QScrollBar>
#include <QWheelEvent>

#include <functional>

namespace ombrel {

namespace {

constexpr int headerHeight = 28;
constexpr int pickerHeight = 20;
constexpr int captionPixels = 11;
constexpr int scrollBarHeight = filmstrip::bottomPadding;
constexpr int followMilliseconds = 160;

// The strip itself: a list laid out left to right that reports presses with
// the modifiers held, and turns a mouse wheel into sideways scrolling.
class StripView : public QListView {
public:
    std::function<void(int row, Qt::KeyboardModifiers)> pressed;

    using QListView::QListView;
    using QListView::setViewportMargins;

protected:
    void mousePressEvent(QMouseEvent* event) override { press(event); }
    // A quick second click on another cell is a click like any other.
    void mouseDoubleClickEvent(QMouseEvent* event) override { press(event); }
    void mouseMoveEvent(QMouseEvent* event) override { event->accept(); }

    void wheelEvent(QWheelEvent* event) override {
        const QPoint pixels = event->pixelDelta();
        const QPoint angle = event->angleDelta();
        int by = 0;
        if (!pixels.isNull()) {
            by = std::abs(pixels.x()) > std::abs(pixels.y()) ? pixels.x() : pixels.y();
        } else {
            // One notch moves one cell.
            const int notches = std::abs(angle.x()) > std::abs(angle.y()) ? angle.x() : angle.y();
            by = notches * filmstrip::pitch / 120;
        }
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() - by);
        event->accept();
    }

private:
    void press(QMouseEvent* event) {
        event->accept();
        if (event->button() != Qt::LeftButton) return;
        const QModelIndex index = indexAt(event->position().toPoint());
        if (index.isValid() && pressed) pressed(index.row(), event->modifiers());
    }
};

QFont captionFont() {
    QFont font;
    font.setPixelSize(captionPixels);
    return font;
}

}  // namespace

Filmstrip::Filmstrip(AppModel& model, ThumbnailStore& thumbnails, QWidget* parent)
    : QWidget(parent), model_(model), thumbnails_(new FilmstripThumbnails(thumbnails, this)),
      rows_(new FilmstripModel(model, *thumbnails_, this)), delegate_(new ThumbCellDelegate(this)) {
    setFixedHeight(filmstrip::height);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, theme::underPage());
    palette.setColor(QPalette::Base, theme::underPage());
    setPalette(palette);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    buildHeader();
    buildStrip();

    visibleLater_.setSingleShot(true);
    visibleLater_.setInterval(0);
    connect(&visibleLater_, &QTimer::timeout, this, &Filmstrip::updateVisible);
    spinner_.setInterval(90);
    connect(&spinner_, &QTimer::timeout, this, &Filmstrip::turnSpinners);

    connect(thumbnails_, &FilmstripThumbnails::arrived, rows_, &FilmstripModel::pictureArrived);
    // The rows are refreshed first (connected in their constructor), then these.
    connect(&model_, &AppModel::photosChanged, this, &Filmstrip::photosReplaced);
    for (auto signal : {&AppModel::photosChanged, &AppModel::currentIDChanged, &AppModel::minRatingChanged,
                        &AppModel::flagFilterChanged})
        connect(&model_, signal, this, &Filmstrip::showCount);
    connect(&model_, &AppModel::minRatingChanged, this, &Filmstrip::showFilters);
    connect(&model_, &AppModel::flagFilterChanged, this, &Filmstrip::showFilters);
    // A filter change rebuilds the rows; the current photo stays in them and in view.
    for (auto signal : {&AppModel::currentIDChanged, &AppModel::minRatingChanged, &AppModel::flagFilterChanged})
        connect(&model_, signal, this, &Filmstrip::scrollToCurrent);
    connect(rows_, &QAbstractItemModel::modelReset, &visibleLater_, qOverload<>(&QTimer::start));

    showCount();
    showFilters();
    photosReplaced();
}

bool Filmstrip::thumbnailsInViewShown() const {
    const QRect area = strip_->viewport()->rect();
    bool any = false;
    for (int row = 0; row < strip_->model()->rowCount(); ++row) {
        const QModelIndex index = strip_->model()->index(row, 0);
        if (!strip_->visualRect(index).intersects(area)) continue;
        any = true;
        if (index.data(FilmstripModel::PictureRole).value<QImage>().isNull() &&
            !index.data(FilmstripModel::FailedRole).toBool())
            return false;
    }
    return any;
}

Filmstrip::~Filmstrip() = default;

void Filmstrip::buildHeader() {
    auto* header = new QWidget(this);
    header->setFixedHeight(headerHeight);
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(filmstrip::sidePadding, 4, filmstrip::sidePadding, 4);
    row->setSpacing(10);

    count_ = new QLabel(header);
    count_->setObjectName(QStringLiteral("filmstripCount"));
    count_->setFont(captionFont());
    QPalette secondary = count_->palette();
    secondary.setColor(QPalette::WindowText, theme::secondaryText());
    count_->setPalette(secondary);
    row->addWidget(count_);
    row->addStretch(1);

    const auto picker = [&](const char* name, const QString& label) {
        auto* combo = new QComboBox(header);
        combo->setObjectName(QString::fromLatin1(name));
        combo->setAccessibleName(label);
        combo->setFont(captionFont());
        combo->setFixedSize(filmstrip::pickerWidth, pickerHeight);
        // The keyboard's rating and flag keys stay with the window.
        combo->setFocusPolicy(Qt::NoFocus);
        row->addWidget(combo);
        return combo;
    };
    rating_ = picker("ratingFilter", QStringLiteral("Rating"));
    for (int n = 0; n <= 5; ++n) rating_->addItem(QString::fromStdString(filmstrip::ratingChoice(n)), n);
    flag_ = picker("flagFilter", QStringLiteral("Flag"));
    for (const auto& [filter, title] : flagFilterTexts.entries)
        flag_->addItem(QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size())), static_cast<int>(filter));

    connect(rating_, &QComboBox::currentIndexChanged, this,
            [this](int i) { model_.setMinRating(rating_->itemData(i).toInt()); });
    connect(flag_, &QComboBox::currentIndexChanged, this,
            [this](int i) { model_.setFlagFilter(static_cast<FlagFilter>(flag_->itemData(i).toInt())); });

    layout()->addWidget(header);
}

void Filmstrip::buildStrip() {
    auto* view = new StripView(this);
    strip_ = view;
    view->setObjectName(QStringLiteral("filmstripStrip"));
    view->setViewMode(QListView::ListMode);
    view->setFlow(QListView::LeftToRight);
    view->setWrapping(false);
    view->setUniformItemSizes(true);
    view->setSpacing(0);
    view->setSelectionMode(QAbstractItemView::NoSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setFocusPolicy(Qt::NoFocus);
    view->setFrameShape(QFrame::NoFrame);
    view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Cells own half a gap on each side; the margins make up the rest of the padding.
    const int margin = filmstrip::sidePadding - filmstrip::boxInset;
    view->setViewportMargins(margin, 0, margin, 0);
    view->setItemDelegate(delegate_);
    view->setModel(rows_);
    // Whatever the name font's height, the strip fills the rest of the fixed height.
    view->setFixedHeight(filmstrip::height - headerHeight);

    // A thin bar in the bottom padding, like an overlay scroller.
    QScrollBar* bar = view->horizontalScrollBar();
    bar->setFixedHeight(scrollBarHeight);
    bar->setSingleStep(filmstrip::pitch / 4);
    bar->setStyleSheet(QStringLiteral(
        "QScrollBar:horizontal { background: transparent; height: %1px; margin: 0 %2px; }"
        "QScrollBar::handle:horizontal { background: rgba(255,255,255,70); border-radius: 3px;"
        " min-width: 32px; margin: 1px 0; }"
        "QScrollBar::handle:horizontal:hover { background: rgba(255,255,255,110); }"
        "QScrollBar::add-line, QScrollBar::sub-line { width: 0; border: none; background: none; }"
        "QScrollBar::add-page, QScrollBar::sub-page { background: none; }")
                            .arg(scrollBarHeight)
                            .arg(filmstrip::sidePadding));

    view->pressed = [this](int row, Qt::KeyboardModifiers modifiers) {
        model_.select(rows_->idAt(row), modifiers.testFlag(Qt::ShiftModifier),
                      modifiers.testFlag(Qt::ControlModifier));
    };
    connect(bar, &QScrollBar::valueChanged, this, &Filmstrip::updateVisible);
    connect(bar, &QScrollBar::rangeChanged, &visibleLater_, qOverload<>(&QTimer::start));
    view->viewport()->installEventFilter(this);
    layout()->addWidget(view);
}

bool Filmstrip::eventFilter(QObject* watched, QEvent* event) {
    if (watched == strip_->viewport() && event->type() == QEvent::Resize) visibleLater_.start();
    return QWidget::eventFilter(watched, event);
}

void Filmstrip::showCount() {
    count_->setText(QString::fromStdString(filmstrip::countText(rows_->rowCount(), model_.photos().size())));
}

void Filmstrip::showFilters() {
    const QSignalBlocker quietRating(rating_);
    const QSignalBlocker quietFlag(flag_);
    rating_->setCurrentIndex(rating_->findData(model_.minRating()));
    flag_->setCurrentIndex(flag_->findData(static_cast<int>(model_.flagFilter())));
}

// Animated, and by the least distance that brings the cell fully into view.
void Filmstrip::scrollToCurrent() {
    const auto id = model_.currentID();
    if (!id) return;
    const auto row = rows_->rowOf(*id);
    if (!row) return;
    QScrollBar* bar = strip_->horizontalScrollBar();
    auto* running = bar->findChild<QPropertyAnimation*>();
    if (running) running->stop();
    const int from = bar->value();
    strip_->scrollTo(rows_->index(*row), QAbstractItemView::EnsureVisible);
    const int to = bar->value();
    if (to == from || !isVisible()) return;
    bar->setValue(from);
    auto* animation = running ? running : new QPropertyAnimation(bar, "value", bar);
    animation->setDuration(followMilliseconds);
    animation->setEasingCurve(QEasingCurve::OutCubic);
    animation->setStartValue(from);
    animation->setEndValue(to);
    animation->start();
}

// Another folder: its cells start from the store, not from the last folder's pictures.
void Filmstrip::photosReplaced() {
    const auto& photos = model_.photos();
    const std::string first = photos.empty() ? std::string() : photos.front().id.toString();
    if (photos.size() == shownPhotoCount_ && first == shownFirstPhoto_) return;
    shownPhotoCount_ = photos.size();
    shownFirstPhoto_ = first;
    thumbnails_->clear();
    visibleLater_.start();
}

void Filmstrip::updateVisible() {
    const auto range = filmstrip::visibleRows(strip_->horizontalScrollBar()->value(), strip_->viewport()->width(),
                                              rows_->rowCount());
    std::vector<std::filesystem::path> files;
    for (int row = range.first; row <= range.last; ++row) files.push_back(rows_->fileAt(row));
    thumbnails_->setVisible(std::move(files), strip_->devicePixelRatioF());
    if (thumbnails_->waiting() != spinner_.isActive()) thumbnails_->waiting() ? spinner_.start() : spinner_.stop();
}

void Filmstrip::turnSpinners() {
    delegate_->setSpinnerPhase(++spinnerPhase_);
    strip_->viewport()->update();
    if (!thumbnails_->waiting()) spinner_.stop();
}

}  // namespace ombrel
