#include "ModelFixture.h"

#include "model/Sidecar.h"

#include <QSignalSpy>
#include <QtTest>

using namespace ombrel;
using namespace ombrel::test;
namespace fs = std::filesystem;

namespace {

bool press(AppModel& model, keys::Key key, std::string_view text, bool dialogActive = false,
           bool textFieldFocused = false) {
    return model.handleKey(key, {}, text, dialogActive, textFieldFocused);
}

}  // namespace

class AppModelKeyboardTest : public QObject {
    Q_OBJECT

private slots:
    void init() { OMBREL_QSKIP_WITHOUT_TESTDATA(); }

    void arrowsAreSwallowedWithNothingOpenAndLettersAreNot() {
        AppModel model(ModelServices::standard());
        QVERIFY(press(model, keys::Key::rightArrow, ""));
        QVERIFY(press(model, keys::Key::leftArrow, ""));
        QVERIFY(!press(model, keys::Key::other, "p"));
        QVERIFY(!press(model, keys::Key::other, "j"));
        QVERIFY(!model.view()->showClipping());
    }

    void keysActOnTheModel() {
        TempDir dir;
        const fs::path a = copyTestFileAs(smallPng, dir.path(), "a.png");
        const fs::path b = copyTestFileAs(smallPng, dir.path(), "b.png");
        AppModel model(ModelServices::standard());
        QVERIFY(openAndWait(model, {dir.path()}));
        QVERIFY(waitForLoad(model));
        QSignalSpy tickSpy(model.view(), &ViewState::tickChanged);

        QVERIFY(press(model, keys::Key::other, "4"));
        QCOMPARE(Sidecar::read(a)->rating, 4);
        QVERIFY(press(model, keys::Key::other, "P"));
        QCOMPARE(model.photos()[0].flag, Flag::pick);
        QVERIFY(press(model, keys::Key::other, "j"));
        QVERIFY(model.view()->showClipping());
        QVERIFY(press(model, keys::Key::other, "\\"));
        QVERIFY(model.view()->showBefore());
        QCOMPARE(tickSpy.count(), 2);

        QVERIFY(press(model, keys::Key::rightArrow, ""));
        QCOMPARE(model.currentID(), std::optional<Uuid>(model.photos()[1].id));
        // On the last photo the arrow is still consumed and does nothing.
        QVERIFY(press(model, keys::Key::rightArrow, ""));
        QCOMPARE(model.currentID(), std::optional<Uuid>(model.photos()[1].id));

        QVERIFY(!press(model, keys::Key::other, "7"));
        QVERIFY(!fs::exists(Sidecar::pathFor(b)));
    }

    // The model passes the window's state on: an open sheet or a focused
    // text field leaves even the arrows alone.
    void anOpenDialogOrTypingKeepsKeysAway() {
        TempDir dir;
        copyTestFileAs(smallPng, dir.path(), "a.png");
        copyTestFileAs(smallPng, dir.path(), "b.png");
        AppModel model(ModelServices::standard());
        QVERIFY(openAndWait(model, {dir.path()}));
        const auto current = model.currentID();

        QVERIFY(!press(model, keys::Key::rightArrow, "", true));
        QVERIFY(!press(model, keys::Key::rightArrow, "", false, true));
        QVERIFY(!press(model, keys::Key::other, "p", false, true));
        QCOMPARE(model.currentID(), current);
        QCOMPARE(model.photos()[0].flag, Flag::none);
    }
};

QTEST_GUILESS_MAIN(AppModelKeyboardTest)
#include "AppModelKeyboardTest.moc"
