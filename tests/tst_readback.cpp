#include "messageboxanswerer.h"
#include "windowfixture.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

namespace {

// The camera's answers without the monitoring tick's temperature reads, which may fall between.
QStringList operationsBesidesTemperatures()
{
    QStringList operations = WindowFixture::journalOperations();
    operations.removeAll(QStringLiteral("getTemperatures"));
    return operations;
}

void showTab(const WindowFixture& f, const char* page)
{
    auto* tabs = f.child<QTabWidget>("tabWidget");
    tabs->setCurrentWidget(f.child<QWidget>(page));
}

// Integer value of a slider or spin box.
int controlValue(const WindowFixture& f, const QString& name)
{
    auto* widget = f.child<QWidget>(name.toLatin1().constData());
    if (auto* slider = qobject_cast<QAbstractSlider*>(widget))
        return slider->value();
    if (auto* spinBox = qobject_cast<QSpinBox*>(widget))
        return spinBox->value();
    return -1;
}

void setCameraValue(const QString& name, qint64 raw)
{
    orvex_sim::CameraSettings& camera = orvex_sim::settings("SIM1");
    if (name == QLatin1String("riscvVersion"))
        camera.versions.riscvVersion = std::uint16_t(raw);
    else if (name == QLatin1String("gamma"))
        camera.gamma = std::uint32_t(raw);
    else if (name == QLatin1String("sharpening"))
        camera.sharpening = std::uint32_t(raw);
    else if (name == QLatin1String("clhe"))
        camera.clhe = std::uint32_t(raw);
    else if (name == QLatin1String("roiX1"))
        camera.roiX1 = std::int32_t(raw);
    else
        QFAIL(qPrintable(QStringLiteral("no camera value named ") + name));
}

} // namespace

class ReadBackTest : public QObject
{
    Q_OBJECT

private slots:
    void userReadShowsEveryValueAndSendsNothing();
    void userValueReachesControlAndLog_data();
    void userValueReachesControlAndLog();
    void expertReadClampsSlidersAndLogsValuesRead();
    void iaReadBack_data();
    void iaReadBack();
    void expertAndIaReadsWithoutCameraAreSilent();
};

void ReadBackTest::userReadShowsEveryValueAndSendsNothing()
{
    WindowFixture f;
    MessageBoxAnswerer boxes;
    f.connectCamera();

    orvex_sim::CameraSettings& camera = orvex_sim::settings("SIM1");
    camera.versions = {0x12a3, 0x0b40};
    camera.serialNumber = 987654;
    camera.gamma = 98304;
    camera.clhe = 12345;
    camera.sharpening = 320;
    camera.roiX1 = 10;
    camera.roiY1 = 20;
    camera.roiX2 = 1000;
    camera.roiY2 = 900;
    camera.polarity = true;
    camera.zoom = {2.5f, 700, 400, 1};
    camera.contrastType = 1;
    camera.nucState = 0;
    camera.horizontalFlip = true;
    camera.vignettingCorrection = false;
    camera.shutterClosed = true;
    f.clearLog();
    orvex_sim::clearJournal();
    f.click("readParamButtonUser");

    const QStringList expectedLog{
        "Start Read camera parameters",
        "RISC-V version = 1.2.a.3",
        "FPGA version = 0.b.4.0",
        "Serial number = 987654",
        "Gamma value = 1.5",
        "CLHE value = 12345",
        "Sharpening value = 1.25",
        "ROI X1 value = 10",
        "ROI Y1 value = 20",
        "ROI X2 value = 1000",
        "ROI Y2 value = 900",
        "Polarity value = 1",
        "ZOOM factor value = 2.5",
        "Contrast type = CLAHE (LOCAL)",
        "NUC state = Deactivated",
        "Horizontal flip = Activated",
        "vertical flip = Deactivated",
        "Vignetting Correction state = Deactivated",
        "Column Correction state = Activated",
        "Shutter closed",
        "End Read camera parameters",
    };
    QCOMPARE(f.logLines(), expectedLog);

    // Only reads: neither the zoom method nor the contrast type read back is sent again.
    const QStringList expectedOperations{"getFirmwareVersions",
                                         "prepareParameterRead",
                                         "getSerialNumber",
                                         "getGamma",
                                         "getClhe",
                                         "getSharpening",
                                         "getRoiX1",
                                         "getRoiY1",
                                         "getRoiX2",
                                         "getRoiY2",
                                         "getPolarity",
                                         "getZoom",
                                         "getContrastType",
                                         "getNucEnabled",
                                         "getHorizontalFlip",
                                         "getVerticalFlip",
                                         "getVignettingCorrection",
                                         "getColumnCorrection",
                                         "getShutterPosition"};
    QCOMPARE(operationsBesidesTemperatures(), expectedOperations);

    QCOMPARE(f.child<QSlider>("gammaSlider")->value(), 10);
    QCOMPARE(f.child<QDoubleSpinBox>("gammaEdit")->value(), 1.5);
    QCOMPARE(f.child<QSlider>("clheSlider")->value(), 12345);
    QCOMPARE(f.child<QSlider>("sharpeningSlider")->value(), 13);
    QCOMPARE(f.child<QSpinBox>("x1RoiEdit")->value(), 10);
    QCOMPARE(f.child<QSpinBox>("y1RoiEdit")->value(), 20);
    QCOMPARE(f.child<QSpinBox>("x2RoiEdit")->value(), 1000);
    QCOMPARE(f.child<QSpinBox>("y2RoiEdit")->value(), 900);
    QCOMPARE(f.child<QDoubleSpinBox>("factorZoomEdit")->value(), 2.5);
    QCOMPARE(f.child<QComboBox>("methodZoomEdit")->currentIndex(), 1);
    QCOMPARE(f.child<QSpinBox>("xCenterZoomEdit")->value(), 700);
    QCOMPARE(f.child<QSpinBox>("yCenterZoomEdit")->value(), 400);
    QCOMPARE(f.child<QComboBox>("contrastTypeEdit")->currentIndex(), 1);

    const struct {
        const char* button;
        bool checked;
        const char* caption;
    } toggles[] = {
        {"polarityButton", true, "Invert polarity: Activated"},
        {"nucEnablingButton", false, "NUC: Deactivated"},
        {"horizontalFlipButton", true, "Horizontal flip: Activated"},
        {"verticalFlipButton", false, "Vertical flip: Deactivated"},
        {"VignettingCorrectionButton", false, "Vignetting correction: Deactivated"},
        {"ColumnCorrectionButton", true, "Column correction: Activated"},
        {"shutterCtrlPB", true, "Shutter closed"},
    };
    for (const auto& toggle : toggles) {
        auto* button = f.child<QPushButton>(toggle.button);
        QCOMPARE(button->isChecked(), toggle.checked);
        QCOMPARE(button->text(), QString::fromLatin1(toggle.caption));
    }
    QCOMPARE(boxes.count(), 0);
}

void ReadBackTest::userValueReachesControlAndLog_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<qint64>("raw");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("position");

    QTest::newRow("gamma 1") << "gamma" << qint64(65536) << QStringList{"Gamma value = 1"}
                             << "gammaSlider" << 5;
    QTest::newRow("gamma beyond range")
        << "gamma" << qint64(4294967295) << QStringList{"Gamma value = 65536"} << "gammaSlider"
        << 20;
    QTest::newRow("sharpening 0.5")
        << "sharpening" << qint64(128) << QStringList{"Sharpening value = 0.5"}
        << "sharpeningSlider" << 5;
    QTest::newRow("sharpening below one step")
        << "sharpening" << qint64(1) << QStringList{"Sharpening value = 0.00390625"}
        << "sharpeningSlider" << 0;
    QTest::newRow("clhe in six significant digits")
        << "clhe" << qint64(1234567) << QStringList{"CLHE value = 1.23457e+06"} << "clheSlider"
        << 30000;
    QTest::newRow("clhe beyond int") << "clhe" << qint64(4000000000)
                                     << QStringList{"CLHE value = 4e+09"} << "clheSlider" << 30000;
    QTest::newRow("roi beyond int")
        << "roiX1" << qint64(-1) << QStringList{"ROI X1 value = 4294967295"} << "x1RoiEdit" << 1275;
    QTest::newRow("only the FPGA version answers")
        << "riscvVersion" << qint64(0)
        << QStringList{"RISC-V version = 0.0.0.0", "FPGA version = 0.2.4.0"} << QString() << 0;
}

void ReadBackTest::userValueReachesControlAndLog()
{
    QFETCH(QString, value);
    QFETCH(qint64, raw);
    QFETCH(QStringList, lines);
    QFETCH(QString, control);
    QFETCH(int, position);

    WindowFixture f;
    MessageBoxAnswerer boxes;
    setCameraValue(value, raw);
    f.connectCamera();

    const QStringList log = f.logLines();
    const int first = log.indexOf(lines.first());
    QVERIFY2(first >= 0, qPrintable(f.logText()));
    QCOMPARE(log.mid(first, lines.size()), lines);
    QVERIFY(log.contains(QStringLiteral("End Read camera parameters")));
    if (!control.isEmpty())
        QCOMPARE(controlValue(f, control), position);
    QCOMPARE(boxes.count(), 0);
}

void ReadBackTest::expertReadClampsSlidersAndLogsValuesRead()
{
    WindowFixture f(QStringLiteral("[expert]\ngskMin=1\ngskMax=2\ngskValue=1\n"));
    MessageBoxAnswerer boxes;
    f.connectCamera();
    orvex_sim::CameraSettings& camera = orvex_sim::settings("SIM1");
    camera.gsk = 3;
    camera.gfid = 750;
    camera.gms = 4000000000u;
    camera.bprCorrection = false;
    camera.gainCorrection = false;
    showTab(f, "ExpertMode");
    f.clearLog();
    orvex_sim::clearJournal();
    f.click("readParamButtonExpert");

    QCOMPARE(f.logLines(),
             QStringList({"Start Read camera Expert parameters", "GSK value = 3",
                          "GFID value = 750", "GMS value = 4000000000", "TINT value = 1",
                          "BPR state = Disabled", "OFFSET state = Enabled", "GAIN state = Disabled",
                          "End Read camera Expert parameters"}));
    QCOMPARE(operationsBesidesTemperatures(),
             QStringList({"getGsk", "getGfid", "getGms", "getTint", "getBprCorrection",
                          "getOffsetCorrection", "getGainCorrection"}));

    QCOMPARE(f.child<QSlider>("gskSlider")->value(), 2);
    QCOMPARE(f.child<QDoubleSpinBox>("gskEdit")->value(), 2.0);
    QCOMPARE(f.child<QSlider>("gfidSlider")->value(), 750);
    QCOMPARE(f.child<QSlider>("gmsSlider")->value(), 1000);
    QCOMPARE(f.child<QDoubleSpinBox>("gmsEdit")->value(), 4000000000.0);

    const struct {
        const char* button;
        bool checked;
        const char* caption;
    } corrections[] = {
        {"enableBprPB", false, "BPR Correction: Deactivated"},
        {"enableOffsetPB", true, "Offset Correction: Activated"},
        {"enableGainPB", false, "Gain Correction: Deactivated"},
    };
    for (const auto& correction : corrections) {
        auto* button = f.child<QPushButton>(correction.button);
        QCOMPARE(button->isChecked(), correction.checked);
        QCOMPARE(button->text(), QString::fromLatin1(correction.caption));
    }
}

void ReadBackTest::iaReadBack_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QList<int>>("shown");

    // The values read at connect are 1, 10, 50, 45, 0; the camera now holds 3, 77, 60, 20, 2.
    QTest::newRow("status 1") << 1
                              << QStringList{"IA resize mode = 3", "IA max boxes = 77",
                                             "IA sensitivity = 60", "IA InterOU = 20",
                                             "IA Output type = 2"}
                              << QList<int>{3, 77, 60, 20, 2};
    QTest::newRow("status 0") << 0 << QStringList{"Unable to read IA configuration"}
                              << QList<int>{1, 10, 50, 45, 0};
    QTest::newRow("status 2") << 2 << QStringList{"Unable to read IA configuration"}
                              << QList<int>{1, 10, 50, 45, 0};
}

void ReadBackTest::iaReadBack()
{
    QFETCH(int, status);
    QFETCH(QStringList, lines);
    QFETCH(QList<int>, shown);

    WindowFixture f;
    MessageBoxAnswerer boxes;
    f.connectCamera();
    orvex_sim::settings("SIM1").ia = {3, 77, 60, 20, 2};
    orvex_sim::faults("SIM1").iaReadStatus = status;
    showTab(f, "IAControl");
    f.clearLog();
    f.click("readIAControls");

    QCOMPARE(f.logLines(), QStringList{"Start read IA parameters"} + lines +
                               QStringList{"End read IA parameters"});
    const QList<int> values{f.child<QComboBox>("iAResizeModeComboBox")->currentIndex(),
                            f.child<QSpinBox>("nbBoxesSpinBox")->value(),
                            f.child<QSpinBox>("iASensitivitySpinBox")->value(),
                            f.child<QSpinBox>("interOverUnionSpinBox")->value(),
                            f.child<QComboBox>("iAOutputTypeComboBox")->currentIndex()};
    QCOMPARE(values, shown);
    QCOMPARE(f.child<QSlider>("nbBoxesSlider")->value(), shown.at(1));
}

void ReadBackTest::expertAndIaReadsWithoutCameraAreSilent()
{
    WindowFixture f;
    MessageBoxAnswerer boxes;
    f.connectCamera();
    f.click("disconnectDeviceButton");
    f.clearLog();
    orvex_sim::clearJournal();

    // The Expert page stays enabled after a disconnect, so its Read button can still be pressed.
    showTab(f, "ExpertMode");
    f.click("readParamButtonExpert");
    f.invoke("ReadParamsIA");

    QVERIFY(f.logLines().isEmpty());
    QVERIFY(WindowFixture::journalOperations().isEmpty());
    QCOMPARE(boxes.count(), 0);
}

QTEST_MAIN(ReadBackTest)
#include "tst_readback.moc"
