#pragma once

#include "ModelFixture.h"
#include "Slowdown.h"

#include "library/AppModel.h"
#include "preview/PreviewView.h"
#include "ui/KeyFilter.h"
#include "ui/MainWindow.h"
#include "ui/PreviewArea.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QSettings>
#include <QtTest>

#include <memory>

namespace ombrel::test {

// The real window over a model of the standard services, with the
// application-wide key filter, as the app starts it. Settings go to a
// temporary folder so tests never see the user's.
struct Window {
    TempDir settingsHome;
    TempDir photos;  // the folder openCopy fills; outlives the window
    std::unique_ptr<AppModel> model;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<KeyFilter> keys;
    bool exposed = false;

    explicit Window(ModelTimings timings = {}) {
        qputenv("XDG_CONFIG_HOME", QByteArray(settingsHome.path().c_str()));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString(settingsHome.path().string()));
        QCoreApplication::setOrganizationName(QStringLiteral("Ombrel"));
        QCoreApplication::setApplicationName(QStringLiteral("Ombrel"));
        theme::apply(*qApp);
        model = std::make_unique<AppModel>(ModelServices::standard(), timings);
        window = std::make_unique<MainWindow>(*model);
        keys = std::make_unique<KeyFilter>(*model);
        qApp->installEventFilter(keys.get());
        window->resize(1400, 900);
        window->show();
        exposed = QTest::qWaitForWindowExposed(window.get());
    }
    ~Window() { qApp->removeEventFilter(keys.get()); }

    PreviewView& preview() const { return *window->previewArea()->preview(); }

    // Opens `locations` as a drop would and waits until a photo is current.
    bool open(const std::vector<std::filesystem::path>& locations) const {
        window->openLocations(locations);
        return QTest::qWaitFor([&] { return model->currentID().has_value(); }, 5000 * slowdown);
    }

    // Copies the test photo `relative` into `photos`, opens that folder and,
    // with `frame`, waits for the first frame too.
    bool openCopy(const std::string& relative, bool frame = true) const {
        copyTestFile(relative, photos.path());
        return open({photos.path()}) && (!frame || waitForFrame());
    }

    // Waits until the current photo's proxy is decoded and a frame of the
    // newest request is on screen.
    // `timeoutMs` in a Release build; the sanitizer build waits `slowdown` times longer.
    bool waitForFrame(int timeoutMs = 15000) const {
        return QTest::qWaitFor(
            [&] {
                return model->proxy() && !model->loading() && preview().settled() && preview().shownFrameId() > 0;
            },
            timeoutMs * slowdown);
    }
};

}  // namespace ombrel::test
