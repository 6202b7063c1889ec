#include "ModelFixture.h"

#include "model/BuiltInPresets.h"
#include "model/Sidecar.h"
#include "ui/ActionBar.h"
#include "ui/AdjSlider.h"
#include "ui/CurveEditor.h"
#include "ui/HistogramView.h"
#include "ui/InfoBlock.h"
#include "ui/SectionBox.h"
#include "ui/SegmentedControl.h"
#include "ui/Sidebar.h"
#include "ui/SidebarParts.h"
#include "ui/Theme.h"

#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QtTest>

using namespace ombrel;
using namespace ombrel::test;

namespace {

// A model over copies of real photos, and the sidebar on it, shown.
struct Window {
    PhotoFolder folder;
    std::unique_ptr<AppModel> model;
    std::unique_ptr<Sidebar> sidebar;

    explicit Window(std::initializer_list<std::pair<const char*, const char*>> photos,
                    ModelServices services = ModelServices::standard())
        : folder(photos) {
        model = std::make_unique<AppModel>(std::move(services));
        sidebar = std::make_unique<Sidebar>(*model);
        sidebar->resize(Sidebar::columnWidth, 700);
        sidebar->show();
        QVERIFY(openAndWait(*model, {folder.dir.path()}) && waitForLoad(*model));
    }
    AdjSlider* slider(const char* title) const { return sidebar->findChild<AdjSlider*>(title); }
    const EditSettings& settings() const { return model->edit()->settings(); }
    template <typename T = QAbstractButton>
    T* child(const char* name) const { return sidebar->findChild<T*>(name); }
};

// The widget of type T under `root` that shows `text`.
template <typename T>
T* withText(const QWidget* root, const QString& text) {
    for (T* widget : root->findChildren<T*>()) {
        if (widget->text() == text) return widget;
    }
    return nullptr;
}

// A move with the left button held, as a drag sends it.
void dragTo(QWidget* widget, QPoint to) {
    QMouseEvent move(QEvent::MouseMove, to, widget->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

// Drags a slider's handle by `dx` points in a few steps, as a hand would.
void dragHandle(AdjSlider* slider, int dx) {
    const QPoint start = slider->slider()->handleRect().center();
    QTest::mousePress(slider->slider(), Qt::LeftButton, {}, start);
    for (int i = 1; i <= 5; ++i) dragTo(slider->slider(), start + QPoint(dx * i / 5, 0));
    QTest::mouseRelease(slider->slider(), Qt::LeftButton, {}, start + QPoint(dx, 0));
}

void typeValue(AdjSlider* slider, const QString& text, Qt::Key key = Qt::Key_Return) {
    QTest::mouseClick(slider->valueField(), Qt::LeftButton);
    QTest::keyClicks(slider->valueField(), text);
    QTest::keyClick(slider->valueField(), key);
}

QColor valueColor(AdjSlider* slider) { return slider->valueField()->palette().color(QPalette::Text); }

QAction* action(QMenu* menu, const QString& text) {
    for (QAction* a : menu->actions()) {
        if (a->text() == text) return a;
    }
    return nullptr;
}

}  // namespace

class SidebarTest : public QObject {
    Q_OBJECT
    TempDir home_;

private slots:
    void initTestCase() {
        OMBREL_QSKIP_WITHOUT_TESTDATA();
        // Presets are read from and written to a folder of this test only.
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(home_.path().string()));
        theme::apply(*qApp);
    }

    void showsPromptUntilAPhotoIsOpen() {
        AppModel model(ModelServices::standard());
        Sidebar sidebar(model);
        sidebar.show();
        QCOMPARE(sidebar.width(), Sidebar::columnWidth);
        QVERIFY(withText<QLabel>(&sidebar, "Open a folder to start editing")->isVisible());
        QVERIFY(!sidebar.scrollArea()->isVisible());
        QVERIFY(sidebar.section(Section::basic)->isOpen() && sidebar.section(Section::curve)->isOpen());
        QVERIFY(!sidebar.section(Section::hsl)->isOpen() && !sidebar.section(Section::raw)->isOpen());
    }

    // How edits group into undo steps and when they are saved is the model's
    // to test; here the drag reaches it as one step and the undo button takes it back.
    void dragIsOneUndoStep() {
        Window w({{mediumJpeg, "a.jpg"}});
        AdjSlider* exposure = w.slider("Exposure");
        QToolButton* undo = w.sidebar->actionBar()->findChildren<QToolButton*>()[1];
        QVERIFY(!undo->isEnabled());
        const int tick = w.model->view()->tick();

        dragHandle(exposure, 40);
        QVERIFY(w.settings().exposure > 0.5);
        QCOMPARE(exposure->valueField()->text(), QString::asprintf("%+.2f", w.settings().exposure));
        QCOMPARE(valueColor(exposure), theme::accent());
        QVERIFY(w.model->view()->tick() > tick);  // the preview is asked for new frames
        QCOMPARE(w.model->history().undoCount(), std::size_t(1));

        QTest::mouseClick(undo, Qt::LeftButton);
        QCOMPARE(exposure->valueField()->text(), QString("+0.00"));
        QVERIFY(w.settings().isDefault() && !undo->isEnabled());
    }

    void valueLabelTakesTypingAndTitleResets() {
        Window w({{mediumJpeg, "a.jpg"}});
        AdjSlider* exposure = w.slider("Exposure");
        const struct {
            const char* typed;
            Qt::Key key;
            double value;
            const char* shown;
        } typing[] = {{"1.3", Qt::Key_Return, 1.3, "+1.30"},
                      {"abc", Qt::Key_Return, 1.3, "+1.30"},   // refused
                      {"0.2", Qt::Key_Escape, 1.3, "+1.30"}};  // cancelled
        for (const auto& t : typing) {
            typeValue(exposure, t.typed, t.key);
            QCOMPARE(w.settings().exposure, t.value);
            QCOMPARE(exposure->valueField()->text(), QString(t.shown));
        }

        // A double click on "Radius" writes its reset value 1 as an undoable edit.
        w.sidebar->section(Section::detail)->setOpen(true);
        AdjSlider* radius = w.slider("Radius");
        w.model->mutate("setup", [](EditSettings& s) { s.sharpRadius = 2.5; });
        QCOMPARE(valueColor(radius), theme::accent());
        QTest::mouseDClick(radius->titleLabel(), Qt::LeftButton);
        QCOMPARE(w.settings().sharpRadius, 1.0);
        QCOMPARE(radius->valueField()->text(), QString("1.0"));
        QCOMPARE(valueColor(radius), theme::secondaryText());
        w.model->undo();
        QCOMPARE(w.settings().sharpRadius, 2.5);
    }

    // The HSL mode picks the list the sliders edit; the wheel scrolls the panel, not a value.
    void hslModePicksTheListAndTheWheelScrolls() {
        Window w({{mediumJpeg, "a.jpg"}});
        QScrollBar* bar = w.sidebar->scrollArea()->verticalScrollBar();
        QSlider* slider = w.slider("Exposure")->slider();
        const QPoint at = slider->rect().center();
        QWheelEvent wheel(at, slider->mapToGlobal(at), {}, {0, -120}, Qt::NoButton, {}, Qt::NoScrollPhase, false);
        QApplication::sendEvent(slider, &wheel);
        QVERIFY(bar->value() > 0);
        QVERIFY(w.settings().isDefault());

        w.sidebar->section(Section::hsl)->setOpen(true);
        QTest::mouseClick(withText<QPushButton>(w.child<QWidget>("hslMode"), "Saturation"), Qt::LeftButton);
        dragHandle(w.slider("Aqua"), -30);
        EditSettings expected;
        expected.hsl.sat[4] = w.settings().hsl.sat[4];
        QVERIFY(expected.hsl.sat[4] < 0);
        QCOMPARE(w.settings(), expected);
    }

    void cropControls() {
        Window w({{largeJpeg, "a.jpg"}});  // 4160 x 2768
        w.sidebar->section(Section::crop)->setOpen(true);
        const CropSettings& crop = w.settings().crop;

        // The lock's arithmetic is SidebarRulesTest's; here it must get the
        // photo's turned size: "16:9" on the turned photo is a full-width band.
        QTest::mouseClick(w.child("rotateRight"), Qt::LeftButton);
        QCOMPARE(crop.quarterTurns, std::int64_t(1));
        auto* aspect = w.child<QComboBox>("aspect");
        aspect->setFocus();
        for (int i = 0; i < 5; ++i) QTest::keyClick(aspect, Qt::Key_Down);
        QVERIFY(crop.aspect == "16:9" && crop.w == 1 && qAbs(crop.h - 9.0 / 16 * 2768 / 4160) < 1e-9);

        // Swapping "3:2" on the upright photo turns it portrait: full height.
        QTest::mouseClick(w.child("rotateLeft"), Qt::LeftButton);
        QTest::keyClick(aspect, Qt::Key_Up);
        QTest::mouseClick(w.child("swapAspect"), Qt::LeftButton);
        QVERIFY(crop.aspect == "3:2" && crop.aspectSwapped && crop.quarterTurns == 0 && crop.h == 1 &&
                qAbs(crop.w - 2.0 / 3 * 2768 / 4160) < 1e-9);

        QTest::mouseClick(w.child("flipH"), Qt::LeftButton);
        QVERIFY(crop.flipH && w.child("flipH")->isChecked());
        w.model->view()->setZoom(2);
        QTest::mouseClick(w.child("editCrop"), Qt::LeftButton);
        QVERIFY(w.model->view()->cropEditing() && w.model->view()->zoom() == 1);
        QCOMPARE(w.child("editCrop")->text(), QString("Done"));
    }

    void curvePointsAddDragAndRemove() {
        Window w({{mediumJpeg, "a.jpg"}});
        CurvePlot* plot = w.sidebar->curveEditor()->plot();
        const int m = CurvePlot::margin, side = plot->width() - 2 * m;
        const auto at = [&](double x, double y) { return QPoint(m + qRound(x * side), m + qRound((1 - y) * side)); };
        const auto channel = [&](const char* name) {
            QTest::mouseClick(withText<QPushButton>(w.sidebar->curveEditor()->channelPicker(), name), Qt::LeftButton);
        };
        const CurvePoints& master = w.settings().curves.master;

        // A click on empty space adds a point and drags it: one step to add, one for the drag.
        QTest::mousePress(plot, Qt::LeftButton, {}, at(0.5, 0.5));
        QCOMPARE(master.size(), std::size_t(3));
        for (double y : {0.55, 0.6, 0.7}) dragTo(plot, at(0.5, y));
        QTest::mouseRelease(plot, Qt::LeftButton, {}, at(0.5, 0.7));
        QVERIFY(qAbs(master[1].y - 0.7) < 0.01 && qAbs(master[1].x - 0.5) < 0.01);
        QCOMPARE(w.model->history().undoCount(), std::size_t(2));

        // "R" edits the red curve only; its end point moves only vertically.
        channel("R");
        QTest::mousePress(plot, Qt::LeftButton, {}, at(0, 0));
        dragTo(plot, at(0.3, 0.2));
        QTest::mouseRelease(plot, Qt::LeftButton, {}, at(0.3, 0.2));
        QVERIFY(w.settings().curves.red[0].x == 0 && qAbs(w.settings().curves.red[0].y - 0.2) < 0.01);

        // A double click removes a point of the master curve.
        channel("RGB");
        QTest::mouseDClick(plot, Qt::LeftButton, {}, at(0.5, 0.7));
        QCOMPARE(master, CurveSet::identity());

        channel("B");
        w.sidebar->section(Section::curve)->setOpen(false);  // a collapsed section forgets its channel
        QCOMPARE(plot->channel(), 0);
    }

    void histogramIndicatorsToggleClipping() {
        Window w({{mediumJpeg, "a.jpg"}});
        HistogramView* view = w.sidebar->histogramView();
        HistogramData data = w.model->histogram()->data();
        data.shadowClip = 0.002f;
        data.highlightClip = 0.0005f;
        w.model->histogram()->setData(data);
        QVERIFY(view->shadowIndicator()->isOn() && !view->highlightIndicator()->isOn());

        const int tick = w.model->view()->tick();
        QTest::mouseClick(view->shadowIndicator(), Qt::LeftButton);
        QVERIFY(w.model->view()->showClipping() && w.model->view()->tick() == tick + 1);
        QVERIFY(view->shadowIndicator()->isActive() && view->highlightIndicator()->isActive());
        QTest::mouseClick(view->highlightIndicator(), Qt::LeftButton);
        QVERIFY(!w.model->view()->showClipping());
    }

    void presetsThroughTheMenu() {
        // An unreadable presets file leaves the built-in presets usable and is replaced by a good one.
        const auto presetsFile = home_.path() / "Ombrel" / "presets.json";
        std::filesystem::create_directories(presetsFile.parent_path());
        writeFile(presetsFile, "[{\"id\": broken");
        Window w({{mediumJpeg, "a.jpg"}});
        ActionBar* bar = w.sidebar->actionBar();
        QMenu* menu = bar->presetsMenu();
        const QString saveItem("Save current as preset\u2026");
        const auto save = [&](const QString& name, const char* button) {
            action(menu, saveItem)->trigger();
            auto* field = bar->savePresetDialog()->findChild<QLineEdit*>();
            field->selectAll();
            QTest::keyClicks(field, name);
            QTest::mouseClick(withText<QPushButton>(bar->savePresetDialog(), button), Qt::LeftButton);
            QVERIFY(!bar->savePresetDialog());
        };
        const int builtIns = int(BuiltInPresets::all().size());
        QCOMPARE(menu->actions().size(), builtIns + 2);  // a separator and the save item

        w.model->binding(EditField::scalar(EditField::Scalar::contrast)).setValue(25);
        save("Crisp", "Cancel");
        action(menu, saveItem)->trigger();
        QCOMPARE(bar->savePresetDialog()->findChild<QLineEdit*>()->text(), QString("Crisp"));  // Cancel kept it
        bar->savePresetDialog()->reject();
        save("Crisp", "Save");
        QCOMPARE(w.model->userPresets().size(), std::size_t(1));
        QCOMPARE(decodePresets(readFile(presetsFile)), std::optional(w.model->userPresets()));
        QCOMPARE(menu->actions().size(), builtIns + 5);  // and a separator, "Crisp", "Delete preset"

        w.model->binding(EditField::scalar(EditField::Scalar::contrast)).setValue(0);
        action(menu, "Crisp")->trigger();
        QCOMPARE(w.settings().contrast, 25.0);

        action(action(menu, "Delete preset")->menu(), "Crisp")->trigger();
        QVERIFY(w.model->userPresets().empty());
        QCOMPARE(menu->actions().size(), builtIns + 2);
    }

    void copyAndPasteToTwoPhotos() {
        Window w({{mediumJpeg, "a.jpg"}, {smallPng, "b.png"}});
        QPushButton* paste = withText<QPushButton>(w.sidebar->actionBar(), "Paste");
        QVERIFY(!paste->isEnabled());
        w.model->binding(EditField::scalar(EditField::Scalar::vibrance)).setValue(30);
        QTest::mouseClick(withText<QPushButton>(w.sidebar->actionBar(), "Copy"), Qt::LeftButton);
        w.model->setSelection({idOf(*w.model, "b.png")});
        QTest::mouseClick(paste, Qt::LeftButton);
        QCOMPARE(w.model->cachedSettings(idOf(*w.model, "b.png"))->vibrance, 30.0);
    }

    void rawSectionAndInfo() {
        ModelServices services = ModelServices::standard();  // the PNG comes without metadata lines
        services.readMetadata = [read = services.readMetadata](const std::filesystem::path& file) {
            return file.extension() == ".png" ? MetadataLines{} : read(file);
        };
        Window w({{"raw/canon_powershot_s40_crop_from_CRW_0117.dng", "a.dng"}, {smallPng, "b.png"}}, services);
        w.sidebar->section(Section::raw)->setOpen(true);
        AdjSlider* lum = w.slider("Luminance noise reduction");
        const double fallback = 100 * w.model->edit()->rawDefaults().lumNR.value_or(0);
        QVERIFY(lum->isVisible() && lum->value() == fallback && valueColor(lum) == theme::secondaryText());
        QTest::mouseDClick(lum->titleLabel(), Qt::LeftButton);  // stores the decoder's default explicitly
        QCOMPARE(w.settings().raw.lumNR, std::optional(fallback / 100));
        QAbstractButton* boost = withText<QAbstractButton>(w.sidebar.get(), "Tone boost");
        const bool boosted = w.model->edit()->rawDefaults().appleBoost.value_or(true);
        QCOMPARE(boost->isChecked(), boosted);
        QTest::mouseClick(boost, Qt::LeftButton, {}, QPoint(30, boost->height() / 2));  // on its label
        QVERIFY(w.settings().raw.appleBoost == !boosted && boost->isChecked() == !boosted);

        w.model->step(1);
        QVERIFY(waitForLoad(*w.model));
        QVERIFY(!lum->isVisible());
        QVERIFY(withText<QLabel>(w.sidebar.get(), "RAW decode options only apply to RAW files.")->isVisible());
        QTRY_VERIFY(withText<QLabel>(w.sidebar->infoBlock(), "No EXIF data"));
        QLabel* none = withText<QLabel>(w.sidebar->infoBlock(), "No EXIF data");
        QVERIFY(none->isVisible());
        QTest::mouseClick(w.sidebar->infoBlock()->header(), Qt::LeftButton);
        QVERIFY(!none->isVisible());
    }
};

QTEST_MAIN(SidebarTest)
#include "SidebarTest.moc"
