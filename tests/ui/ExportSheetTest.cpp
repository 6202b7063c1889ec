#include "ModelFixture.h"
#include "Slowdown.h"

#include "ui/ExportSheet.h"
#include "ui/SegmentedControl.h"
#include "ui/Theme.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QtTest>

using namespace ombrel;
using namespace ombrel::test;

namespace {

// The whole path: the label shortens only what it paints.
QString destinationText(const ExportSheet& sheet) { return sheet.findChild<QLabel*>("destination")->toolTip(); }

}  // namespace

class ExportSheetTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        OMBREL_QSKIP_WITHOUT_TESTDATA();
        theme::apply(*qApp);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));  // "2,560"
    }

    void optionsWithoutPhotos() {
        AppModel model(ModelServices::standard());
        model.exportProgress()->setMessage("Exported 3 photos");
        ExportSheet sheet(model, nullptr);
        sheet.show();
        QCOMPARE(sheet.windowModality(), Qt::WindowModal);
        QVERIFY(model.exportProgress()->message().isEmpty());  // no old summary
        QCOMPARE(sheet.findChild<QLabel*>()->text(), QString("Export 0 photos"));
        QCOMPARE(destinationText(sheet), QString("No destination chosen"));
        QVERIFY(!sheet.exportButton()->isEnabled());
        QCOMPARE(sheet.options(), ExportOptions{});

        // TIFF hides the quality row; back on JPEG it shows the kept value.
        auto* quality = sheet.findChild<QSlider*>("quality");
        QTest::keyClick(quality, Qt::Key_End);
        QCOMPARE(sheet.options().quality, 1.0);
        const QList<QPushButton*> formats = sheet.findChild<ui::SegmentedControl*>("format")->findChildren<QPushButton*>();
        QTest::mouseClick(formats[1], Qt::LeftButton);
        QVERIFY(sheet.options().format == ExportFormat::tiff && !quality->isVisible());
        QTest::mouseClick(formats[0], Qt::LeftButton);
        QVERIFY(quality->isVisible() && sheet.options().quality == 1.0);

        // The long edge: greyed out until resizing is on; only whole numbers of at least 1.
        auto* longEdge = sheet.findChild<QLineEdit*>("longEdge");
        QCOMPARE(longEdge->text(), QString("2,560"));
        QVERIFY(!longEdge->isEnabled());
        QTest::mouseClick(sheet.findChild<QCheckBox*>(), Qt::LeftButton, Qt::NoModifier, QPoint(8, 8));
        QVERIFY(sheet.options().resize && longEdge->isEnabled());
        const struct {
            const char* typed;
            int kept;
            const char* shown;
        } cases[] = {{"abc", 2560, "2,560"}, {"0", 2560, "2,560"}, {"-5", 2560, "2,560"},
                     {"3,000", 3000, "3,000"}, {"1800", 1800, "1,800"}};
        for (const auto& c : cases) {
            longEdge->selectAll();
            QTest::keyClicks(longEdge, c.typed);
            QTest::keyClick(longEdge, Qt::Key_Return);
            QCOMPARE(sheet.options().longEdge, c.kept);
            QCOMPARE(longEdge->text(), QString(c.shown));
        }

        sheet.setDestination(std::filesystem::path("/tmp"));
        QVERIFY(sheet.exportButton()->isEnabled());
    }

    void exportsTwoPhotosInTheBackground() {
        TempDir dir;
        copyTestFileAs(largeJpeg, dir.path(), "a.jpg");
        copyTestFileAs(mediumJpeg, dir.path(), "b.jpg");
        copyTestFileAs(smallJpeg, dir.path(), "c.jpg");
        AppModel model(ModelServices::standard());
        QVERIFY(openAndWait(model, {dir.path()}));
        model.setSelection({idOf(model, "b.jpg")});

        auto sheet = std::make_unique<ExportSheet>(model, nullptr);
        sheet->show();
        QVERIFY(QTest::qWaitForWindowExposed(sheet.get()));
        QCOMPARE(sheet->findChild<QLabel*>()->text(), QString("Export 2 photos"));
        QCOMPARE(destinationText(*sheet), QString::fromStdString((dir.path() / "Ombrel Export").string()));

        // The event loop keeps turning while the photos are written.
        QElapsedTimer sinceTick;
        qint64 longestGap = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] { longestGap = std::max(longestGap, sinceTick.restart()); });
        sinceTick.start();
        ticker.start(5);
        QTest::mouseClick(sheet->exportButton(), Qt::LeftButton);
        QVERIFY(model.exportProgress()->running());
        QVERIFY(!sheet->exportButton()->isEnabled() && sheet->findChild<QProgressBar*>()->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!model.exportProgress()->running(), 60000 * test::slowdown);
        ticker.stop();
        QVERIFY2(longestGap < 100 * test::slowdown, qPrintable(QString::number(longestGap)));

        auto* summary = sheet->findChild<QLabel*>("summary");
        QVERIFY(summary->isVisible() && !sheet->findChild<QProgressBar*>()->isVisible());
        QCOMPARE(summary->text(), QString("Exported 2 photos"));
        QVERIFY(std::filesystem::exists(dir.path() / "Ombrel Export" / "b.jpg"));  // the shown destination
        QVERIFY(sheet->exportButton()->isEnabled());

        // Escape closes; the next sheet starts afresh.
        QTest::keyClick(sheet.get(), Qt::Key_Escape);
        QVERIFY(!sheet->isVisible());
        ExportSheet again(model, nullptr);
        QVERIFY(!again.findChild<QLabel*>("summary")->isVisibleTo(&again));

        // A destination that cannot be made ends in the summary's error text.
        writeFile(dir.path() / "blocker", "not a folder");
        again.setDestination(dir.path() / "blocker" / "out");
        again.show();
        QTest::mouseClick(again.exportButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!model.exportProgress()->running(), 20000 * test::slowdown);
        QVERIFY(again.findChild<QLabel*>("summary")->text().startsWith("Exported 0, 2 failed: "));
        QCOMPARE(readFile(dir.path() / "blocker"), std::string("not a folder"));
    }
};

QTEST_MAIN(ExportSheetTest)
#include "ExportSheetTest.moc"
