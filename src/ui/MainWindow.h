#pragma once

#include <QMainWindow>
#include <QPointer>

#include <filesystem>
#include <vector>

class QAction;
class QMenu;

namespace ombrel {

class AppModel;
class DropHighlight;
class ExportSheet;
class Filmstrip;
class PreviewArea;
class WindowToolbar;

// The application's one window: toolbar, preview area over the filmstrip on
// the left, the develop column on the right, the menus, and drops of folders
// and photos. Closing it ends the program.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int sidebarWidth = 310;

    explicit MainWindow(AppModel& model, QWidget* parent = nullptr);

    PreviewArea* previewArea() const { return previewArea_; }
    WindowToolbar* toolbar() const { return toolbar_; }
    QWidget* sidebarColumn() const { return sidebarColumn_; }
    Filmstrip* filmstrip() const { return filmstrip_; }

    // Asks for a folder and opens it.
    void openFolderPanel();
    // Opens folders and photos as a drop does, and remembers the folders.
    void openLocations(const std::vector<std::filesystem::path>& locations);

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildMenus();
    void presentExportSheet();
    void syncTitle();
    void syncMenus();
    void rememberFolder(const QString& folder);
    void rebuildRecentMenu();
    void restoreWindowState();

    AppModel& model_;
    WindowToolbar* toolbar_ = nullptr;
    PreviewArea* previewArea_ = nullptr;
    Filmstrip* filmstrip_ = nullptr;
    QWidget* sidebarColumn_ = nullptr;
    DropHighlight* dropHighlight_ = nullptr;
    QPointer<ExportSheet> exportSheet_;

    QAction* undo_ = nullptr;
    QAction* redo_ = nullptr;
    QAction* export_ = nullptr;
    QAction* copy_ = nullptr;
    QAction* paste_ = nullptr;
    QAction* sync_ = nullptr;
    QMenu* recent_ = nullptr;
};

}  // namespace ombrel
