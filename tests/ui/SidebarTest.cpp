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

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QToolButton>
#include <QtTest>

#include <memory>

using namespace ombrel;
using namespace ombrel::test;

namespace {

// A model over copies of real photos and the sidebar on it, shown.
struct Window {
    TempDir dir;
    std::unique_ptr<AppModel> model;
    std::unique_ptr<Sidebar> sidebar;

    explicit Window(std::initializer_list<std::pair<const char*, const char*>> photos,
                    ModelServices services = ModelServices::standard()) {
        for (const auto& [source, name] : photos) copyTestFileAs(source, dir.path(), name);
        model = std::make_unique<AppModel>(std::move(services));
        sidebar = std::make_unique<Sidebar>(*model);
        sidebar->resize(Sidebar::columnWidth, 700);
        sidebar->show();
        QVERIFY(QTest::qWaitForWindowExposed(sidebar.get()));
        QVERIFY(openAndWait(*model, {dir.path()}));
        QVERIFY(waitForLoad(*model));
    }
    AdjSlider* slider(const char* title) const { return sidebar->findChild<AdjSlider*>(title); }
    const EditSettings& settings() const { return model->edit()->settings(); }
    template <typename T = QAbstractButton>
    T* child(const char* name) const { return sidebar->findChild<T*>(name); }
};

QPoint handleCentre(QSlider* slider) {
    QStyleOptionSlider opt;
    opt.initFrom(slider);
    opt.orientation = slider->orientation();
    opt.minimum = slider->minimum();
    opt.maximum = slider->maximum();
    opt.sliderPosition = slider->sliderPosition();
    opt.sliderValue = slider->value();
    return slider->style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, slider).center();
}

// A move with the left button held, as a drag sends it.
void dragTo(QWidget* widget, QPoint to) {
    QMouseEvent move(QEvent::MouseMove, to, widget->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

// Drags a slider's handle by `dx` points in a few steps, as a hand would.
void dragHandle(QSlider* slider, int dx) {
    const QPoint start = handleCentre(slider);
    QTest::mousePress(slider, Qt::LeftButton, Qt::NoModifier, start);
    for (int i = 1; i <= 5; ++i) dragTo(slider, start + QPoint(dx * i / 5, 0));
    QTest::mouseRelease(slider, Qt::LeftButton, Qt::NoModifier, start + QPoint(dx, 0));
}

void typeValue(AdjSlider* slider, const QString& text, int key = Qt::Key_Return) {
    QTest::mouseClick(slider->valueField(), Qt::LeftButton);
    QTest::keyClicks(slider->valueField(), text);
    QTest::keyClick(slider->valueField(), static_cast<Qt::Key>(key));
}

QAction* actionNamed(QMenu* menu, const QString& text) {
    for (QAction* action : menu->actions()) {
        if (action->text() == text) return action;
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
        QVERIFY(QTest::qWaitForWindowExposed(&sidebar));
        QCOMPARE(sidebar.width(), Sidebar::columnWidth);
        QVERIFY(!sidebar.scrollArea()->isVisible());
        bool promptShown = false;
        for (QLabel* label : sidebar.findChildren<QLabel*>()) {
            promptShown |= label->isVisible() && label->text() == "Open a folder to start editing";
        }
        QVERIFY(promptShown);
        // Basic and Tone Curve start open, the others closed.
        QVERIFY(sidebar.section(Section::basic)->isOpen() && sidebar.section(Section::curve)->isOpen());
        QVERIFY(!sidebar.section(Section::hsl)->isOpen() && !sidebar.section(Section::raw)->isOpen());
        QCOMPARE(sidebar.section(Section::crop)->resetButton()->toolTip(), QString("Reset Crop & Rotate"));
    }

    void dragIsOneUndoStepAndSavesLater() {
        Window w({{mediumJpeg, "a.jpg"}});
        AdjSlider* exposure = w.slider("Exposure");
        QToolButton* undo = w.sidebar->actionBar()->findChildren<QToolButton*>()[1];
        QCOMPARE(undo->toolTip(), QString("Undo (Ctrl+Z)"));
        QVERIFY(!undo->isEnabled());
        const int tick = w.model->view()->tick();
        const auto sidecar = Sidecar::pathFor(w.model->current()->url);

        dragHandle(exposure->slider(), 40);
        const double moved = w.settings().exposure;
        QVERIFY(moved > 0.5);
        QCOMPARE(exposure->valueField()->text().toStdString(), "+" + QString::number(moved, 'f', 2).toStdString());
        QCOMPARE(exposure->valueField()->palette().color(QPalette::Text), theme::accent());
        QVERIFY(w.model->view()->tick() > tick);  // the preview is asked for a new frame
        QCOMPARE(w.model->history().undoCount(), std::size_t(1));
        QVERIFY(undo->isEnabled());
        QVERIFY(!std::filesystem::exists(sidecar));
        QTRY_VERIFY_WITH_TIMEOUT(std::filesystem::exists(sidecar), 2000);

        // Another field is another step; the undo button takes them back one by one.
        dragHandle(w.slider("Contrast")->slider(), 30);
        QVERIFY(w.settings().contrast > 0);
        QCOMPARE(w.model->history().undoCount(), std::size_t(2));
        QTest::mouseClick(undo, Qt::LeftButton);
        QTest::mouseClick(undo, Qt::LeftButton);
        QCOMPARE(w.settings().exposure, 0.0);
        QCOMPARE(exposure->valueField()->text(), QString("+0.00"));
        QVERIFY(!undo->isEnabled());
    }

    void doubleClickOnTitleResetsAsAnEdit() {
        Window w({{mediumJpeg, "a.jpg"}});
        w.sidebar->section(Section::detail)->setOpen(true);
        AdjSlider* radius = w.slider("Radius");
        w.model->mutate("setup", [](EditSettings& s) { s.sharpRadius = 2.5; });
        QCOMPARE(radius->valueField()->text(), QString("2.5"));
        QCOMPARE(radius->valueField()->palette().color(QPalette::Text), theme::accent());

        QTest::mouseDClick(radius->titleLabel(), Qt::LeftButton);
        QCOMPARE(w.settings().sharpRadius, 1.0);
        QCOMPARE(radius->valueField()->text(), QString("1.0"));
        QCOMPARE(radius->valueField()->palette().color(QPalette::Text), theme::secondaryText());
        w.model->undo();
        QCOMPARE(w.settings().sharpRadius, 2.5);
    }

    void typedValuesAreClampedOrRefused() {
        Window w({{mediumJpeg, "a.jpg"}});
        AdjSlider* exposure = w.slider("Exposure");
        typeValue(exposure, "1.3");
        QCOMPARE(w.settings().exposure, 1.3);
        QCOMPARE(exposure->valueField()->text(), QString("+1.30"));
        typeValue(exposure, "abc");
        QCOMPARE(w.settings().exposure, 1.3);
        QCOMPARE(exposure->valueField()->text(), QString("+1.30"));
        typeValue(exposure, "0.2", Qt::Key_Escape);
        QCOMPARE(w.settings().exposure, 1.3);
        QCOMPARE(exposure->valueField()->text(), QString("+1.30"));
        typeValue(exposure, "9");
        QCOMPARE(w.settings().exposure, 4.0);
        QCOMPARE(w.model->history().undoCount(), std::size_t(1));  // typed edits of one field coalesce like a drag
    }

    void wheelScrollsThePanelNotTheValue() {
        Window w({{mediumJpeg, "a.jpg"}});
        QScrollBar* bar = w.sidebar->scrollArea()->verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        QSlider* slider = w.slider("Exposure")->slider();
        QVERIFY(!slider->hasFocus());
        const QPoint at = handleCentre(slider);
        QWheelEvent wheel(at, slider->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(slider, &wheel);
        QCOMPARE(w.settings().exposure, 0.0);
        QVERIFY(bar->value() > 0);
        QVERIFY(!w.model->canUndo());
    }

    void hslModePicksTheList() {
        Window w({{mediumJpeg, "a.jpg"}});
        w.sidebar->section(Section::hsl)->setOpen(true);
        auto* mode = w.child<ui::SegmentedControl>("hslMode");
        QTest::mouseClick(mode->findChildren<QPushButton*>()[1], Qt::LeftButton);  // "Saturation"
        AdjSlider* aqua = w.slider("Aqua");
        w.sidebar->scrollArea()->ensureWidgetVisible(aqua);
        dragHandle(aqua->slider(), -30);
        HSLSettings expected;
        expected.sat[4] = w.settings().hsl.sat[4];
        QVERIFY(expected.sat[4] < 0);
        QCOMPARE(w.settings().hsl, expected);
        QCOMPARE(w.settings().exposure, 0.0);
    }

    void cropControls() {
        Window w({{largeJpeg, "a.jpg"}});  // 4160 x 2768
        w.sidebar->section(Section::crop)->setOpen(true);
        const CropSettings& crop = w.settings().crop;

        QTest::mouseClick(w.child("rotateRight"), Qt::LeftButton);
        QCOMPARE(crop.quarterTurns, std::int64_t(1));
        // "16:9" on the turned photo computes with 2768 x 4160: a full-width band, centred.
        auto* aspect = w.child<QComboBox>("aspect");
        aspect->setFocus();
        for (int i = 0; i < 5; ++i) QTest::keyClick(aspect, Qt::Key_Down);
        QCOMPARE(crop.aspect, std::string("16:9"));
        const double h = 9.0 / 16 * 2768 / 4160;
        QCOMPARE(crop.w, 1.0);
        QVERIFY(qAbs(crop.h - h) < 1e-9 && qAbs(crop.y - (1 - h) / 2) < 1e-9);

        // Swap on "3:2" of the upright photo: portrait, full height, centred; two undo steps.
        QTest::mouseClick(w.child("rotateLeft"), Qt::LeftButton);
        QCOMPARE(crop.quarterTurns, std::int64_t(0));
        QCOMPARE(crop.h, 1.0);
        QTest::keyClick(aspect, Qt::Key_Up);  // "3:2"
        const std::size_t steps = w.model->history().undoCount();
        QTest::mouseClick(w.child("swapAspect"), Qt::LeftButton);
        const double k = 2.0 / 3 * 2768 / 4160;
        QVERIFY(crop.aspectSwapped && crop.h == 1 && qAbs(crop.w - k) < 1e-9 && qAbs(crop.x - (1 - k) / 2) < 1e-9);
        QCOMPARE(w.model->history().undoCount(), steps + 2);

        QTest::mouseClick(w.child("flipH"), Qt::LeftButton);
        QVERIFY(crop.flipH && w.child("flipH")->isChecked());
        auto* edit = w.child<QPushButton>("editCrop");
        w.model->view()->setZoom(2);
        QTest::mouseClick(edit, Qt::LeftButton);
        QVERIFY(w.model->view()->cropEditing());
        QCOMPARE(w.model->view()->zoom(), 1.0);
        QCOMPARE(edit->text(), QString("Done"));
    }

    void curvePointsAddDragAndRemove() {
        Window w({{mediumJpeg, "a.jpg"}});
        CurvePlot* plot = w.sidebar->curveEditor()->plot();
        w.sidebar->scrollArea()->ensureWidgetVisible(plot);
        QCOMPARE(plot->width(), plot->height());
        const QRect area = plot->rect().adjusted(CurvePlot::margin, CurvePlot::margin, -CurvePlot::margin,
                                                 -CurvePlot::margin);
        const auto at = [&](double x, double y) {
            return QPoint(area.x() + qRound(x * area.width()), area.y() + qRound((1 - y) * area.height()));
        };
        const CurvePoints& master = w.settings().curves.master;

        // A click on empty space adds a point and drags it: one step to add, one for the drag.
        QTest::mousePress(plot, Qt::LeftButton, Qt::NoModifier, at(0.5, 0.5));
        QCOMPARE(master.size(), std::size_t(3));
        for (double y : {0.55, 0.6, 0.7}) dragTo(plot, at(0.5, y));
        QTest::mouseRelease(plot, Qt::LeftButton, Qt::NoModifier, at(0.5, 0.7));
        QVERIFY(qAbs(master[1].y - 0.7) < 0.01 && qAbs(master[1].x - 0.5) < 0.01);
        QCOMPARE(w.model->history().undoCount(), std::size_t(2));

        // The red channel is edited on its own.
        QTest::mouseClick(w.sidebar->curveEditor()->channelPicker()->findChildren<QPushButton*>()[1], Qt::LeftButton);
        QTest::mousePress(plot, Qt::LeftButton, Qt::NoModifier, at(0, 0));
        dragTo(plot, at(0.3, 0.2));  // an end point moves only vertically
        QTest::mouseRelease(plot, Qt::LeftButton, Qt::NoModifier, at(0.3, 0.2));
        QVERIFY(w.settings().curves.red[0].x == 0 && qAbs(w.settings().curves.red[0].y - 0.2) < 0.01);
        QCOMPARE(master.size(), std::size_t(3));

        // Double-clicking the interior point of the master curve removes it; an end point stays.
        QTest::mouseClick(w.sidebar->curveEditor()->channelPicker()->findChildren<QPushButton*>()[0], Qt::LeftButton);
        QTest::mouseDClick(plot, Qt::LeftButton, Qt::NoModifier, at(1, 1));
        QCOMPARE(master.size(), std::size_t(3));
        QTest::mouseDClick(plot, Qt::LeftButton, Qt::NoModifier, at(0.5, 0.7));
        QCOMPARE(master, CurveSet::identity());
        w.model->undo();
        QCOMPARE(master.size(), std::size_t(3));

        // A collapsed section forgets its channel.
        w.sidebar->section(Section::curve)->setOpen(false);
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
        QCOMPARE(view->height(), 90);

        const int tick = w.model->view()->tick();
        QTest::mouseClick(view->shadowIndicator(), Qt::LeftButton);
        QVERIFY(w.model->view()->showClipping());
        QVERIFY(view->shadowIndicator()->isActive() && view->highlightIndicator()->isActive());
        QCOMPARE(w.model->view()->tick(), tick + 1);
        QTest::mouseClick(view->highlightIndicator(), Qt::LeftButton);
        QVERIFY(!w.model->view()->showClipping());
    }

    void presetsThroughTheMenu() {
        // An unreadable presets file leaves the built-in presets usable, and is replaced by a good one.
        const auto presetsFile = home_.path() / "Ombrel" / "presets.json";
        std::filesystem::create_directories(presetsFile.parent_path());
        writeFile(presetsFile, "[{\"id\": broken");
        Window w({{mediumJpeg, "a.jpg"}});
        ActionBar* bar = w.sidebar->actionBar();
        QMenu* menu = bar->presetsMenu();
        const auto save = [&](const QString& name, bool confirm) {
            actionNamed(menu, QString("Save current as preset\u2026"))->trigger();
            QDialog* dialog = bar->savePresetDialog();
            QVERIFY(dialog && dialog->isVisible());
            auto* field = dialog->findChild<QLineEdit*>();
            field->selectAll();
            QTest::keyClicks(field, name);
            for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
                if (button->text() == (confirm ? "Save" : "Cancel")) QTest::mouseClick(button, Qt::LeftButton);
            }
            QVERIFY(!bar->savePresetDialog());
        };

        const int builtIns = int(BuiltInPresets::all().size());
        QCOMPARE(menu->actions().size(), builtIns + 2);  // a separator and "Save current as preset…"
        w.model->binding(EditField::scalar(EditField::Scalar::contrast)).setValue(25);
        save("Crisp", false);
        QVERIFY(w.model->userPresets().empty());
        actionNamed(menu, QString("Save current as preset\u2026"))->trigger();
        QCOMPARE(bar->savePresetDialog()->findChild<QLineEdit*>()->text(), QString("Crisp"));  // Cancel kept it
        bar->savePresetDialog()->reject();
        save("   ", true);
        QVERIFY(w.model->userPresets().empty());
        save("Crisp", true);
        QCOMPARE(w.model->userPresets().size(), std::size_t(1));
        QCOMPARE(decodePresets(readFile(presetsFile)), std::optional(w.model->userPresets()));
        QVERIFY(actionNamed(menu, "Crisp") && actionNamed(menu, "Delete preset"));
        QCOMPARE(menu->actions().size(), builtIns + 5);

        w.model->binding(EditField::scalar(EditField::Scalar::contrast)).setValue(0);
        actionNamed(menu, "Crisp")->trigger();
        QCOMPARE(w.settings().contrast, 25.0);
        actionNamed(menu, "Neutral")->trigger();
        QCOMPARE(w.model->status(), QString("Applied \u201CNeutral\u201D"));

        actionNamed(actionNamed(menu, "Delete preset")->menu(), "Crisp")->trigger();
        QVERIFY(w.model->userPresets().empty());
        QVERIFY(!actionNamed(menu, "Delete preset"));
        QCOMPARE(menu->actions().size(), builtIns + 2);
        QCOMPARE(decodePresets(readFile(presetsFile)), std::optional(std::vector<Preset>{}));
    }

    void copyAndPasteToTwoPhotos() {
        Window w({{mediumJpeg, "a.jpg"}, {smallPng, "b.png"}});
        const QList<QPushButton*> buttons = w.sidebar->actionBar()->findChildren<QPushButton*>();  // Copy, Paste, Sync
        QCOMPARE(buttons.size(), 3);
        QPushButton* paste = buttons[1];
        QVERIFY(!paste->isEnabled());
        w.model->binding(EditField::scalar(EditField::Scalar::vibrance)).setValue(30);
        QTest::mouseClick(buttons[0], Qt::LeftButton);  // Copy
        QVERIFY(paste->isEnabled());
        w.model->setSelection({idOf(*w.model, "b.png")});
        QTest::mouseClick(paste, Qt::LeftButton);
        QCOMPARE(w.model->status(), QString("Pasted settings to 2 photos"));
        QCOMPARE(w.model->cachedSettings(idOf(*w.model, "b.png"))->vibrance, 30.0);
    }

    void rawSectionAndInfo() {
        // The PNG comes without metadata lines.
        ModelServices services = ModelServices::standard();
        services.readMetadata = [read = services.readMetadata](const std::filesystem::path& file) {
            return file.extension() == ".png" ? MetadataLines{} : read(file);
        };
        Window w({{"raw/canon_powershot_s40_crop_from_CRW_0117.dng", "a.dng"}, {smallPng, "b.png"}}, services);
        w.sidebar->section(Section::raw)->setOpen(true);
        AdjSlider* lum = w.slider("Luminance noise reduction");
        QVERIFY(lum->isVisible());
        const double fallback = 100 * w.model->edit()->rawDefaults().lumNR.value_or(0);
        QCOMPARE(lum->value(), fallback);
        QCOMPARE(lum->valueField()->palette().color(QPalette::Text), theme::secondaryText());
        QTest::mouseDClick(lum->titleLabel(), Qt::LeftButton);  // stores the decoder's default explicitly
        QCOMPARE(w.settings().raw.lumNR, std::optional<double>(fallback / 100));
        QAbstractButton* boost = nullptr;
        for (QAbstractButton* b : w.sidebar->findChildren<QAbstractButton*>()) {
            if (b->text() == "Tone boost") boost = b;
        }
        QCOMPARE(boost->isChecked(), w.model->edit()->rawDefaults().appleBoost.value_or(true));
        const bool boosted = boost->isChecked();
        QTest::mouseClick(boost, Qt::LeftButton, Qt::NoModifier, QPoint(30, boost->height() / 2));  // on its label
        QCOMPARE(w.settings().raw.appleBoost, std::optional<bool>(!boosted));
        QCOMPARE(boost->isChecked(), !boosted);
        QTRY_VERIFY(!w.model->edit()->exif().empty());

        w.model->step(1);  // the PNG: no RAW options, and no EXIF
        QVERIFY(waitForLoad(*w.model));
        QVERIFY(!lum->isVisible());
        QTRY_VERIFY(w.model->edit()->exif().empty());
        QLabel* none = nullptr;
        for (QLabel* label : w.sidebar->infoBlock()->findChildren<QLabel*>()) {
            if (label->text() == "No EXIF data") none = label;
        }
        QVERIFY(none && none->isVisible());
        QTest::mouseClick(w.sidebar->infoBlock()->header(), Qt::LeftButton);
        QVERIFY(!none->isVisible());
    }
};

QTEST_MAIN(SidebarTest)
#include "SidebarTest.moc"
