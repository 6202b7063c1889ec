// Grabs the sidebar, the curve editor, the presets menu and the export sheet
// on real photos into PNG files, to be looked at by eye.
#include "ModelFixture.h"

#include "ui/ActionBar.h"
#include "ui/CurveEditor.h"
#include "ui/ExportSheet.h"
#include "ui/HistogramView.h"
#include "ui/InfoBlock.h"
#include "ui/SectionBox.h"
#include "ui/Sidebar.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>

#include <cstdio>
#include <filesystem>

using namespace ombrel;

namespace {

void save(QWidget& widget, const std::filesystem::path& file) {
    widget.grab().save(QString::fromStdString(file.string()));
    std::printf("%s\n", file.c_str());
}

// The whole column at its natural height, every section open.
void shootSidebar(AppModel& model, const std::filesystem::path& file) {
    Sidebar sidebar(model);
    for (Section s : sectionTexts.cases()) sidebar.section(s)->setOpen(true);
    sidebar.resize(Sidebar::columnWidth, 3200);
    sidebar.show();
    QTest::qWait(300);
    const int content = sidebar.scrollArea()->widget()->sizeHint().height();
    sidebar.resize(Sidebar::columnWidth, sidebar.scrollArea()->y() + content + 160);
    QTest::qWait(100);
    save(sidebar, file);
    // The parts at full size, for a closer look.
    const std::string stem = file.stem().string();
    QWidget* top = sidebar.histogramView()->parentWidget();
    save(*top, file.parent_path() / (stem + "-top.png"));
    for (Section s : sectionTexts.cases()) {
        save(*sidebar.section(s), file.parent_path() / (stem + "-" + std::to_string(int(s)) + ".png"));
    }
    save(*sidebar.infoBlock(), file.parent_path() / (stem + "-info.png"));
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    test::TempDir home;
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(home.path().string()));
    QApplication app(argc, argv);
    theme::apply(app);
    // The offscreen platform knows no icon theme folders of its own.
    QIcon::setThemeSearchPaths(QIcon::themeSearchPaths() << QStringLiteral("/usr/share/icons"));
    const std::filesystem::path out = argc > 1 ? argv[1] : "/tmp/sidebar-shots";
    std::filesystem::create_directories(out);
    if (!test::testDataDir()) {
        std::fprintf(stderr, "%s\n", test::missingTestDataMessage().c_str());
        return 1;
    }

    test::TempDir photos;
    test::copyTestFileAs("raw/canon_powershot_s40_crop_from_CRW_0117.dng", photos.path(), "a.dng");
    test::copyTestFileAs(test::largeJpeg, photos.path(), "b.jpg");
    AppModel model(ModelServices::standard());

    {
        Sidebar empty(model);
        empty.resize(Sidebar::columnWidth, 700);
        empty.show();
        QTest::qWait(100);
        save(empty, out / "sidebar-empty.png");
    }

    test::openAndWait(model, {photos.path()});
    test::waitForLoad(model);
    model.binding(EditField::scalar(EditField::Scalar::exposure)).setValue(0.65);
    model.binding(EditField::scalar(EditField::Scalar::sharpRadius)).setValue(1.6);
    QTest::qWait(800);  // the histogram and the EXIF lines
    shootSidebar(model, out / "sidebar-raw.png");

    model.step(1);
    test::waitForLoad(model);
    QTest::qWait(800);
    model.mutate("shots", [](EditSettings& s) {
        s.curves.master = {{0, 0.05}, {0.25, 0.2}, {0.6, 0.7}, {1, 0.95}};
        s.curves.red = {{0, 0}, {0.5, 0.56}, {1, 1}};
        s.hsl.sat[4] = -40;
        s.crop.flipH = true;
    });
    shootSidebar(model, out / "sidebar-jpeg.png");

    {
        Sidebar sidebar(model);
        sidebar.resize(Sidebar::columnWidth, 1200);
        sidebar.show();
        QTest::qWait(200);
        save(*sidebar.curveEditor(), out / "curve-editor.png");

        model.savePreset("Soft evening");
        QMenu* menu = sidebar.actionBar()->presetsMenu();
        menu->popup(sidebar.mapToGlobal(QPoint(10, 120)));
        QTest::qWait(200);
        save(*menu, out / "presets-menu.png");
        menu->hide();
        menu->actions().constLast()->trigger();  // "Save current as preset…"
        QTest::qWait(200);
        save(*sidebar.actionBar()->savePresetDialog(), out / "save-preset.png");
        sidebar.actionBar()->savePresetDialog()->reject();
    }

    model.setSelection({test::idOf(model, "a.dng")});
    {
        ExportSheet sheet(model, nullptr);
        sheet.show();
        QTest::qWait(200);
        save(sheet, out / "export-before.png");
        sheet.setDestination(photos.path() / "out");
        QTest::mouseClick(sheet.exportButton(), Qt::LeftButton);
        if (!QTest::qWaitFor([&] { return !model.exportProgress()->running(); }, 60000)) return 1;
        QTest::qWait(200);
        save(sheet, out / "export-after.png");
    }
    return 0;
}
