#include "MainWindow.h"

#include "DropHighlight.h"
#include "ExportSheet.h"
#include "Filmstrip.h"
#include "PreviewArea.h"
#include "Sidebar.h"
#include "WindowToolbar.h"

#include "library/AppModel.h"
#include "services/ThumbnailStore.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QMimeData>
#include <QSettings>
#include <QVBoxLayout>

namespace ombrel {

namespace {

constexpr int recentLimit = 10;
const QString recentKey = QStringLiteral("recentFolders");
const QString geometryKey = QStringLiteral("window/geometry");

QFrame* divider(Qt::Orientation orientation, QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(orientation == Qt::Horizontal ? QFrame::HLine : QFrame::VLine);
    line->setFrameShadow(QFrame::Plain);
    line->setStyleSheet(QStringLiteral("color: #161617;"));
    return line;
}

std::vector<std::filesystem::path> localFiles(const QMimeData* mime) {
    std::vector<std::filesystem::path> files;
    if (!mime) return files;
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile()) files.emplace_back(QFile::encodeName(url.toLocalFile()).toStdString());
    return files;
}

}  // namespace

MainWindow::MainWindow(AppModel& model, QWidget* parent) : QMainWindow(parent), model_(model) {
    setWindowTitle(QStringLiteral("Ombrel"));
    setMinimumSize(1100, 700);
    setAcceptDrops(true);

    toolbar_ = new WindowToolbar(model_, this);
    addToolBar(Qt::TopToolBarArea, toolbar_);
    connect(toolbar_, &WindowToolbar::openFolderRequested, this, &MainWindow::openFolderPanel);

    auto* content = new QWidget(this);
    auto* row = new QHBoxLayout(content);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    auto* left = new QVBoxLayout;
    left->setSpacing(0);
    previewArea_ = new PreviewArea(model_, content);
    connect(previewArea_, &PreviewArea::openFolderRequested, this, &MainWindow::openFolderPanel);
    left->addWidget(previewArea_, 1);
    left->addWidget(divider(Qt::Horizontal, content));
    filmstrip_ = new Filmstrip(model_, ThumbnailStore::shared(), content);
    left->addWidget(filmstrip_);
    row->addLayout(left, 1);
    row->addWidget(divider(Qt::Vertical, content));
    sidebarColumn_ = new Sidebar(model_, content);
    sidebarColumn_->setObjectName(QStringLiteral("sidebarColumn"));
    sidebarColumn_->setFixedWidth(sidebarWidth);
    row->addWidget(sidebarColumn_);
    setCentralWidget(content);

    dropHighlight_ = new DropHighlight(content);

    buildMenus();
    connect(&model_, &AppModel::folderNameChanged, this, &MainWindow::syncTitle);
    connect(&model_, &AppModel::showExportChanged, this, &MainWindow::presentExportSheet);
    for (auto signal : {&AppModel::canUndoChanged, &AppModel::canRedoChanged, &AppModel::hasCopiedChanged,
                        &AppModel::currentIDChanged})
        connect(&model_, signal, this, &MainWindow::syncMenus);
    syncMenus();
    // Quitting within the save delay must not lose the last edit.
    connect(qApp, &QCoreApplication::aboutToQuit, &model_, &AppModel::saveNow);
    restoreWindowState();
}

void MainWindow::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    QAction* open = file->addAction(QStringLiteral("Open Folder…"), this, &MainWindow::openFolderPanel);
    open->setShortcut(QKeySequence::Open);
    recent_ = file->addMenu(QStringLiteral("Open Recent"));
    rebuildRecentMenu();
    file->addSeparator();
    export_ = file->addAction(QStringLiteral("Export…"), this, [this] { model_.setShowExport(true); });
    export_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    file->addSeparator();
    QAction* quit = file->addAction(QStringLiteral("Quit"), this, &QWidget::close);
    quit->setShortcut(QKeySequence::Quit);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    undo_ = edit->addAction(QStringLiteral("Undo"), &model_, &AppModel::undo);
    undo_->setShortcut(QKeySequence::Undo);
    redo_ = edit->addAction(QStringLiteral("Redo"), &model_, &AppModel::redo);
    // Ctrl+Y too, as many Linux and Windows programs have it.
    redo_->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});

    QMenu* photo = menuBar()->addMenu(QStringLiteral("&Photo"));
    copy_ = photo->addAction(QStringLiteral("Copy Settings"), &model_, &AppModel::copySettings);
    copy_->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_C));
    paste_ = photo->addAction(QStringLiteral("Paste Settings"), &model_, &AppModel::pasteSettings);
    paste_->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_V));
    sync_ = photo->addAction(QStringLiteral("Sync Settings to Selected"), &model_, &AppModel::syncSettings);
    sync_->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S));
    photo->addSeparator();
    QAction* all = photo->addAction(QStringLiteral("Select All"), this, [this] {
        PhotoIDs ids;
        for (const Photo& p : model_.visiblePhotos()) ids.insert(p.id);
        model_.setSelection(ids);
    });
    all->setShortcut(QKeySequence::SelectAll);
    for (QAction* a : {open, export_, quit, undo_, redo_, copy_, paste_, sync_, all})
        a->setShortcutContext(Qt::ApplicationShortcut);
}

// Each presentation starts afresh from the initial options; closing the
// sheet in any way clears the model's flag.
void MainWindow::presentExportSheet() {
    if (!model_.showExport() || exportSheet_) return;
    exportSheet_ = new ExportSheet(model_, this);
    exportSheet_->setAttribute(Qt::WA_DeleteOnClose);
    exportSheet_->setWindowModality(Qt::WindowModal);
    connect(exportSheet_, &QDialog::finished, this, [this] { model_.setShowExport(false); });
    exportSheet_->open();
}

void MainWindow::syncTitle() {
    const QString folder = model_.folderName();
    setWindowTitle(folder.isEmpty() ? QStringLiteral("Ombrel") : QStringLiteral("Ombrel — ") + folder);
}

void MainWindow::syncMenus() {
    const bool hasPhoto = model_.current().has_value();
    undo_->setEnabled(model_.canUndo());
    redo_->setEnabled(model_.canRedo());
    export_->setEnabled(hasPhoto);
    copy_->setEnabled(hasPhoto);
    paste_->setEnabled(model_.hasCopied());
    sync_->setEnabled(hasPhoto);
}

void MainWindow::openFolderPanel() {
    const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("Open Folder"));
    if (!folder.isEmpty()) openLocations({std::filesystem::path(QFile::encodeName(folder).toStdString())});
}

void MainWindow::openLocations(const std::vector<std::filesystem::path>& locations) {
    model_.open(locations);
    for (const auto& location : locations) {
        const QString path = QFile::decodeName(location.c_str());
        if (QFileInfo(path).isDir()) rememberFolder(QFileInfo(path).absoluteFilePath());
    }
}

void MainWindow::rememberFolder(const QString& folder) {
    QSettings settings;
    QStringList recent = settings.value(recentKey).toStringList();
    recent.removeAll(folder);
    recent.prepend(folder);
    while (recent.size() > recentLimit) recent.removeLast();
    settings.setValue(recentKey, recent);
    rebuildRecentMenu();
}

void MainWindow::rebuildRecentMenu() {
    recent_->clear();
    const QStringList folders = QSettings().value(recentKey).toStringList();
    for (const QString& folder : folders) {
        recent_->addAction(QDir::toNativeSeparators(folder), this, [this, folder] {
            openLocations({std::filesystem::path(QFile::encodeName(folder).toStdString())});
        });
    }
    recent_->setEnabled(!folders.isEmpty());
}

void MainWindow::restoreWindowState() {
    const QByteArray geometry = QSettings().value(geometryKey).toByteArray();
    if (geometry.isEmpty() || !restoreGeometry(geometry)) resize(1440, 900);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    model_.saveNow();
    QSettings().setValue(geometryKey, saveGeometry());
    QMainWindow::closeEvent(event);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!event->mimeData()->hasUrls()) return;
    event->acceptProposedAction();
    dropHighlight_->setGeometry(centralWidget()->rect());
    dropHighlight_->raise();
    dropHighlight_->show();
}

void MainWindow::dragLeaveEvent(QDragLeaveEvent*) { dropHighlight_->hide(); }

void MainWindow::dropEvent(QDropEvent* event) {
    dropHighlight_->hide();
    event->acceptProposedAction();
    openLocations(localFiles(event->mimeData()));
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    dropHighlight_->setGeometry(centralWidget()->rect());
}

}  // namespace ombrel
