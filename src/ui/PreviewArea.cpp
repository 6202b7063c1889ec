#include "PreviewArea.h"

#include "Badge.h"
#include "BusyIndicator.h"
#include "Theme.h"

#include "library/AppModel.h"
#include "preview/CropOverlay.h"
#include "preview/PreviewView.h"

#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStackedLayout>
#include <QVBoxLayout>

namespace ombrel {

namespace {

constexpr int previewInset = 8;
constexpr int badgeInset = 14;

QLabel* makeText(const QString& text, double pointSize, const QColor& colour, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setPointSizeF(pointSize);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

}  // namespace

PreviewArea::PreviewArea(AppModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    pages_ = new QStackedLayout(this);
    startScreen_ = makeStartScreen();
    pages_->addWidget(startScreen_);

    editor_ = new QWidget(this);
    preview_ = new PreviewView(model_, editor_);
    cropOverlay_ = new CropOverlay(model_, editor_);
    busy_ = new BusyIndicator(32, editor_);
    beforeBadge_ = new Badge(QStringLiteral("BEFORE"), editor_);
    pickBadge_ = new Badge(QStringLiteral("Click a neutral grey area"), editor_);
    pages_->addWidget(editor_);
    editor_->installEventFilter(this);

    connect(&model_, &AppModel::photosChanged, this, &PreviewArea::syncLayers);
    connect(&model_, &AppModel::loadingChanged, this, &PreviewArea::syncLayers);
    ViewState* view = model_.view();
    connect(view, &ViewState::cropEditingChanged, this, &PreviewArea::syncLayers);
    connect(view, &ViewState::showBeforeChanged, this, &PreviewArea::syncLayers);
    connect(view, &ViewState::eyedropperChanged, this, &PreviewArea::syncLayers);
    syncLayers();
}

QWidget* PreviewArea::makeStartScreen() {
    auto* screen = new QWidget(this);
    auto* column = new QVBoxLayout(screen);
    column->setAlignment(Qt::AlignCenter);
    column->setSpacing(6);

    auto* icon = new QLabel(screen);
    icon->setPixmap(theme::icon({"image-x-generic", "folder-pictures", "camera-photo"}).pixmap(44, 44));
    icon->setAlignment(Qt::AlignCenter);
    column->addWidget(icon);
    column->addWidget(makeText(QStringLiteral("Drop a folder or photos here"), 15, theme::primaryText(), screen));
    column->addWidget(makeText(QStringLiteral("RAW (CR2, CR3, NEF, ARW, DNG, RAF, ORF, RW2), JPEG, HEIC and PNG"),
                               10.5, theme::secondaryText(), screen));
    column->addSpacing(4);
    auto* open = new QPushButton(QStringLiteral("Open Folder…"), screen);
    open->setObjectName(QStringLiteral("startOpenFolder"));
    connect(open, &QPushButton::clicked, this, &PreviewArea::openFolderRequested);
    column->addWidget(open, 0, Qt::AlignHCenter);
    column->addSpacing(8);
    auto* note = makeText(QStringLiteral("RAW files are decoded by LibRaw, so results can differ from the camera "
                                         "maker's software. Everything stays on this computer."),
                          9, theme::secondaryText(), screen);
    note->setWordWrap(true);
    note->setFixedWidth(420);
    column->addWidget(note, 0, Qt::AlignHCenter);
    return screen;
}

void PreviewArea::syncLayers() {
    pages_->setCurrentWidget(model_.photos().empty() ? startScreen_ : editor_);
    const ViewState& vs = *model_.view();
    cropOverlay_->setVisible(vs.cropEditing());
    busy_->setVisible(model_.loading());
    beforeBadge_->setVisible(vs.showBefore());
    pickBadge_->setVisible(vs.eyedropper());
    placeLayers();
}

void PreviewArea::placeLayers() {
    const QRect inner = editor_->rect().adjusted(previewInset, previewInset, -previewInset, -previewInset);
    preview_->setGeometry(inner);
    cropOverlay_->setGeometry(inner);
    busy_->move(editor_->rect().center() - busy_->rect().center());
    int x = badgeInset;
    for (Badge* badge : {beforeBadge_, pickBadge_}) {
        if (!badge->isVisibleTo(editor_)) continue;
        badge->move(x, badgeInset);
        badge->raise();
        x += badge->width() + 6;
    }
    busy_->raise();
}

bool PreviewArea::eventFilter(QObject* watched, QEvent* event) {
    if (watched == editor_ && event->type() == QEvent::Resize) placeLayers();
    return QWidget::eventFilter(watched, event);
}

void PreviewArea::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), PreviewView::background());
}

}  // namespace ombrel
