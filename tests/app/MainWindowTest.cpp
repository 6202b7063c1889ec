#include "ui/MainWindow.h"

#include <QApplication>
#include <QTimer>
#include <QtTest>

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void opensTitledWindowAndQuitsWhenClosed() {
        ombrel::MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.windowTitle(), QStringLiteral("Ombrel"));
        QVERIFY(window.width() >= window.minimumWidth());

        // Closing the only window ends the event loop with a clean exit code.
        QTimer::singleShot(0, &window, &QWidget::close);
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(!window.isVisible());
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
