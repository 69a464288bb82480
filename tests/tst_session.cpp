#include "messageboxanswerer.h"
#include "parametersteps.h"
#include "portenumeration.h"
#include "windowfixture.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

namespace {

const QString noPortWarning =
    QStringLiteral("No COM port found!\nPlease, plug a COM port ans scan again.");
const QString markupPort = QStringLiteral("<a href=http://x>SIM1</a><img src=x>");

QStringList comboItems(const QComboBox* combo)
{
    QStringList items;
    for (int index = 0; index < combo->count(); ++index)
        items.append(combo->itemText(index));
    return items;
}

// The controls that tell the operator whether a camera is connected, and the monitoring timer.
void verifySessionState(const WindowFixture& f, bool connected)
{
    QCOMPARE(f.child<QPushButton>("scanDeviceButton")->isEnabled(), !connected);
    QCOMPARE(f.child<QComboBox>("selectDeviceComboBox")->isEnabled(), !connected);
    QCOMPARE(f.child<QPushButton>("connectDeviceButton")->isEnabled(), !connected);
    QCOMPARE(f.child<QPushButton>("disconnectDeviceButton")->isEnabled(), connected);
    QCOMPARE(f.child<QPushButton>("resetParamButtonUser")->isEnabled(), connected);
    QCOMPARE(f.child<QPushButton>("readParamButtonUser")->isEnabled(), connected);
    QCOMPARE(f.child<QWidget>("UserMode")->isEnabled(), connected);
    QCOMPARE(f.monitoringTimer()->isActive(), connected);
}

// The number shown in a temperature box; NaN unless the text is a number followed by " C".
double shownCelsius(const WindowFixture& f, const char* box)
{
    const QString text = f.child<QPlainTextEdit>(box)->toPlainText();
    if (!text.endsWith(QLatin1String(" C")))
        return qQNaN();
    bool ok = false;
    const double value = text.chopped(2).toDouble(&ok);
    return ok ? value : qQNaN();
}

} // namespace

class SessionTest : public QObject
{
    Q_OBJECT

private slots:
    void scanListsEveryPort_data();
    void scanListsEveryPort();
    void connectReadsEverythingAndEntersConnectedState();
    void iaTabFollowsCameraType();
    void expertModeOffSkipsExpertRead();
    void failedConnectStaysDisconnected_data();
    void failedConnectStaysDisconnected();
    void cameraWithoutShutterDisablesShutterControls_data();
    void cameraWithoutShutterDisablesShutterControls();
    void disconnectReleasesWhateverIsHeld_data();
    void disconnectReleasesWhateverIsHeld();
    void repeatedConnectAfterFailedReadHoldsOneConnection();
    void temperaturesShownAndRefreshed_data();
    void temperaturesShownAndRefreshed();
    void tickLooksForTheExactPortName_data();
    void tickLooksForTheExactPortName();
    void unpluggedCameraDisconnectsAndRescans();
    void failedTemperatureReadStopsMonitoring();
};

void SessionTest::scanListsEveryPort_data()
{
    QTest::addColumn<QString>("ini");
    QTest::addColumn<QStringList>("unplugged");
    QTest::addColumn<QStringList>("listed");

    QTest::newRow("none") << QString() << QStringList{"SIM1"} << QStringList();
    QTest::newRow("one") << QString() << QStringList() << QStringList{"SIM1"};
    QTest::newRow("several") << QStringLiteral("[sdk]\ncameras=SIM3,SIM1,SIM2\n") << QStringList()
                             << QStringList{"SIM3", "SIM1", "SIM2"};
}

void SessionTest::scanListsEveryPort()
{
    QFETCH(QString, ini);
    QFETCH(QStringList, unplugged);
    QFETCH(QStringList, listed);

    WindowFixture f(ini);
    for (const QString& port : unplugged)
        orvex_sim::unplug(port.toStdString());
    MessageBoxAnswerer boxes;
    f.click("scanDeviceButton");

    QCOMPARE(comboItems(f.child<QComboBox>("selectDeviceComboBox")), listed);
    QCOMPARE(f.child<QPushButton>("connectDeviceButton")->isEnabled(), !listed.isEmpty());
    if (listed.isEmpty()) {
        QCOMPARE(boxes.titles(), QStringList{QString()});
        QCOMPARE(boxes.lastText(), noPortWarning);
        QCOMPARE(boxes.icons().value(0), QMessageBox::Warning);
    } else {
        QCOMPARE(boxes.count(), 0);
    }
    QVERIFY(f.logLines().isEmpty());
}

void SessionTest::connectReadsEverythingAndEntersConnectedState()
{
    WindowFixture f;
    MessageBoxAnswerer boxes;
    f.connectCamera();

    const QStringList expected{
        "ALTERNATIVE SERIAL PORT : SIM1",
        "Start Read camera parameters",
        "RISC-V version = 1.2.0.3",
        "FPGA version = 0.2.4.0",
        "Serial number = 12345",
        "Gamma value = 1",
        "CLHE value = 40",
        "Sharpening value = 0.5",
        "ROI X1 value = 5",
        "ROI Y1 value = 5",
        "ROI X2 value = 1275",
        "ROI Y2 value = 1019",
        "Polarity value = 0",
        "ZOOM factor value = 1",
        "Contrast type = CLHE (ROI)",
        "NUC state = Activated",
        "Horizontal flip = Deactivated",
        "vertical flip = Deactivated",
        "Vignetting Correction state = Activated",
        "Column Correction state = Activated",
        "Shutter open",
        "End Read camera parameters",
        "Start Read camera Expert parameters",
        "GSK value = 2",
        "GFID value = 500",
        "GMS value = 100",
        "TINT value = 1",
        "BPR state = Enabled",
        "OFFSET state = Enabled",
        "GAIN state = Enabled",
        "End Read camera Expert parameters",
        "Start read IA parameters",
        "IA resize mode = 1",
        "IA max boxes = 10",
        "IA sensitivity = 50",
        "IA InterOU = 45",
        "IA Output type = 0",
        "End read IA parameters",
    };
    QCOMPARE(f.logLines(), expected);
    QCOMPARE(boxes.count(), 0);

    verifySessionState(f, true);
    QCOMPARE(f.monitoringTimer()->interval(), 1000);
    QVERIFY(f.child<QWidget>("ExpertMode")->isEnabled());
    QVERIFY(f.child<QPushButton>("shutterCtrlPB")->isEnabled());
    QVERIFY(f.child<QPushButton>("autoNucPB")->isEnabled());
    QCOMPARE(f.child<QPushButton>("nucEnablingButton")->text(), QStringLiteral("NUC: Activated"));
    QCOMPARE(f.child<QPushButton>("shutterCtrlPB")->text(), QStringLiteral("Shutter opened"));
    QCOMPARE(f.child<QDoubleSpinBox>("gammaEdit")->value(), 1.0);
    QCOMPARE(orvex_sim::openDeviceCount(), 1);

    for (const QString& operation : WindowFixture::journalOperations())
        QVERIFY2(!operation.startsWith(QLatin1String("set")), qPrintable(operation));
}

void SessionTest::iaTabFollowsCameraType()
{
    WindowFixture f;
    MessageBoxAnswerer boxes;
    auto* tabs = f.child<QTabWidget>("tabWidget");
    auto* iaPage = f.child<QWidget>("IAControl");
    const auto iaTabCount = [tabs] {
        int count = 0;
        for (int index = 0; index < tabs->count(); ++index)
            count += tabs->tabText(index) == QLatin1String("IA control") ? 1 : 0;
        return count;
    };

    for (int attempt = 0; attempt < 2; ++attempt) {
        f.connectCamera();
        QCOMPARE(iaTabCount(), 1);
        QCOMPARE(tabs->indexOf(iaPage), tabs->count() - 1);
        QVERIFY(iaPage->isEnabled());
        f.click("disconnectDeviceButton");
        QVERIFY(!iaPage->isEnabled());
    }

    orvex_sim::settings("SIM1").cameraType = 7;
    f.clearLog();
    f.connectCamera();
    QCOMPARE(iaTabCount(), 0);
    QCOMPARE(tabs->indexOf(iaPage), -1);
    QVERIFY(!f.logLines().contains(QStringLiteral("Start read IA parameters")));
    verifySessionState(f, true);
    QCOMPARE(boxes.count(), 0);
}

void SessionTest::expertModeOffSkipsExpertRead()
{
    WindowFixture f(QStringLiteral("[sdk]\nexpertMode=false\n"));
    MessageBoxAnswerer boxes;
    f.connectCamera();

    const QStringList log = f.logLines();
    const int userEnd = log.indexOf(QStringLiteral("End Read camera parameters"));
    QVERIFY(userEnd > 0);
    QCOMPARE(log.value(userEnd + 1), QStringLiteral("Start read IA parameters"));
    QVERIFY(!log.contains(QStringLiteral("Start Read camera Expert parameters")));
    QCOMPARE(f.child<QTabWidget>("tabWidget")->indexOf(f.child<QWidget>("ExpertMode")), -1);
    QVERIFY(!f.child<QWidget>("ExpertMode")->isEnabled());
    verifySessionState(f, true);
}

void SessionTest::failedConnectStaysDisconnected_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("boxTitle");
    QTest::addColumn<QString>("boxText");
    QTest::addColumn<QStringList>("logStart");
    QTest::addColumn<int>("devicesHeld");

    const QString invalid = QStringLiteral("Invalid communication");
    const QString otherPort = QStringLiteral("Select an other serial port");
    QTest::newRow("link type in lower case")
        << "uart" << invalid << otherPort << QStringList() << 0;
    QTest::newRow("port without a camera") << "noCamera" << invalid << otherPort
                                           << QStringList{"ALTERNATIVE SERIAL PORT : NOCAM1"} << 0;
    QTest::newRow("camera type unreadable")
        << "cameraType" << QString() << QString()
        << QStringList{"ALTERNATIVE SERIAL PORT : SIM1", "No camera type found"} << 0;
    // The read fails but the rest of the sequence still runs against the open device.
    QTest::newRow("camera does not answer")
        << "silent"
        << "Camera not connected"
        << "Unable to connect to SIM1"
        << QStringList{"ALTERNATIVE SERIAL PORT : SIM1", "Start Read camera parameters",
                       "End Read camera parameters : COM Error",
                       "Start Read camera Expert parameters"}
        << 1;
    // A port name comes from outside: shown as written, never as a link or an image.
    QTest::newRow("markup in the port name")
        << "markup"
        << "Camera not connected"
        << "Unable to connect to " + markupPort
        << QStringList{"ALTERNATIVE SERIAL PORT : " + markupPort, "Start Read camera parameters"}
        << 1;
}

void SessionTest::failedConnectStaysDisconnected()
{
    QFETCH(QString, fault);
    QFETCH(QString, boxTitle);
    QFETCH(QString, boxText);
    QFETCH(QStringList, logStart);
    QFETCH(int, devicesHeld);

    const bool markup = fault == QLatin1String("markup");
    WindowFixture f(markup ? "[sdk]\ncameras=" + markupPort : QString());
    QString port = markup ? markupPort : QStringLiteral("SIM1");
    if (fault == QLatin1String("uart")) {
        orvex_sim::setCommunicationType("uart");
    } else if (fault == QLatin1String("noCamera")) {
        port = QStringLiteral("NOCAM1");
        ports::setEnumerator([] { return QStringList{"NOCAM1"}; });
    } else if (fault == QLatin1String("cameraType")) {
        orvex_sim::faults("SIM1").cameraTypeFails = true;
    } else {
        orvex_sim::faults(port.toStdString()).silent = true;
    }

    MessageBoxAnswerer boxes;
    f.connectCamera(port);

    for (Qt::TextFormat format : boxes.textFormats())
        QCOMPARE(format, Qt::PlainText);

    QCOMPARE(boxes.titles(), boxTitle.isEmpty() ? QStringList() : QStringList{boxTitle});
    QCOMPARE(boxes.lastText(), boxText);
    QCOMPARE(f.logLines().mid(0, logStart.size()), logStart);
    if (fault != QLatin1String("silent") && !markup)
        QCOMPARE(f.logLines().size(), logStart.size());
    verifySessionState(f, false);
    QCOMPARE(orvex_sim::openDeviceCount(), devicesHeld);
}

void SessionTest::cameraWithoutShutterDisablesShutterControls_data()
{
    QTest::addColumn<int>("firstStatus");
    QTest::addColumn<bool>("firstHasShutter");
    QTest::addColumn<bool>("enabledForFirst");
    QTest::addColumn<int>("secondStatus");
    QTest::addColumn<bool>("secondHasShutter");
    QTest::addColumn<bool>("enabledForSecond");

    addRow("presence unreadable, then a shutter", 0, true, false, 1, true, true);
    addRow("no shutter, then a shutter", 1, false, false, 1, true, true);
    addRow("a shutter, then none", 1, true, true, 1, false, false);
    addRow("an unknown status keeps what was there", 1, false, false, 2, true, false);
}

// Each connect shows the shutter controls for the camera it reached: a camera without a shutter
// must not leave them disabled for the next one, which has one.
void SessionTest::cameraWithoutShutterDisablesShutterControls()
{
    QFETCH(int, firstStatus);
    QFETCH(bool, firstHasShutter);
    QFETCH(bool, enabledForFirst);
    QFETCH(int, secondStatus);
    QFETCH(bool, secondHasShutter);
    QFETCH(bool, enabledForSecond);

    WindowFixture f;
    MessageBoxAnswerer boxes;
    const auto connectTo = [&](int status, bool hasShutter, bool enabled) {
        orvex_sim::faults("SIM1").shutterPresenceStatus = status;
        orvex_sim::settings("SIM1").hasShutter = hasShutter;
        f.connectCamera();
        QCOMPARE(f.child<QPushButton>("shutterCtrlPB")->isEnabled(), enabled);
        QCOMPARE(f.child<QPushButton>("autoNucPB")->isEnabled(), enabled);
    };
    connectTo(firstStatus, firstHasShutter, enabledForFirst);
    f.click("disconnectDeviceButton");
    connectTo(secondStatus, secondHasShutter, enabledForSecond);
    QCOMPARE(boxes.count(), 0);
}

void SessionTest::disconnectReleasesWhateverIsHeld_data()
{
    QTest::addColumn<QString>("before");

    QTest::newRow("nothing held") << "";
    QTest::newRow("connection without device") << "noCamera";
    QTest::newRow("device after a failed read") << "silent";
    QTest::newRow("connected") << "connected";
}

void SessionTest::disconnectReleasesWhateverIsHeld()
{
    QFETCH(QString, before);

    WindowFixture f;
    MessageBoxAnswerer boxes;
    if (before == QLatin1String("noCamera")) {
        ports::setEnumerator([] { return QStringList{"NOCAM1"}; });
        f.connectCamera(QStringLiteral("NOCAM1"));
    } else if (before == QLatin1String("silent")) {
        orvex_sim::faults("SIM1").silent = true;
        f.connectCamera();
    } else if (before == QLatin1String("connected")) {
        f.connectCamera();
    }
    f.clearLog();
    f.invoke("disconnectDevice");

    QCOMPARE(orvex_sim::openDeviceCount(), 0);
    QCOMPARE(orvex_sim::openConnectionCount(), 0);
    verifySessionState(f, false);
    QVERIFY(!f.child<QWidget>("IAControl")->isEnabled());
    QVERIFY(f.logLines().isEmpty());
}

void SessionTest::repeatedConnectAfterFailedReadHoldsOneConnection()
{
    WindowFixture f;
    MessageBoxAnswerer boxes;
    orvex_sim::faults("SIM1").silent = true;
    f.connectCamera();
    for (int attempt = 0; attempt < 2; ++attempt) {
        f.click("connectDeviceButton");
        QCOMPARE(orvex_sim::openConnectionCount(), 1);
        QCOMPARE(orvex_sim::openDeviceCount(), 1);
    }
    QCOMPARE(boxes.titles(),
             QStringList({"Camera not connected", "Camera not connected", "Camera not connected"}));

    // The port is free again, so the camera that now answers can be opened on it.
    orvex_sim::faults("SIM1").silent = false;
    f.click("connectDeviceButton");
    QCOMPARE(boxes.count(), 3);
    verifySessionState(f, true);
    QCOMPARE(orvex_sim::openConnectionCount(), 1);
    QCOMPARE(orvex_sim::openDeviceCount(), 1);
}

void SessionTest::temperaturesShownAndRefreshed_data()
{
    QTest::addColumn<float>("fpgaRaw");
    QTest::addColumn<float>("sensorRaw");
    QTest::addColumn<QString>("fpgaText");
    QTest::addColumn<QString>("sensorText");

    QTest::newRow("zero and hundred") << 273000.0f << 373000.0f << "0 C"
                                      << "100 C";
    QTest::newRow("absolute zero and one") << 0.0f << 274000.0f << "-273 C"
                                           << "1 C";
    QTest::newRow("fractions") << 272000.0f << 318512.5f << "-1 C"
                               << "45.5125 C";
}

void SessionTest::temperaturesShownAndRefreshed()
{
    QFETCH(float, fpgaRaw);
    QFETCH(float, sensorRaw);
    QFETCH(QString, fpgaText);
    QFETCH(QString, sensorText);

    WindowFixture f;
    MessageBoxAnswerer boxes;
    orvex_sim::settings("SIM1").temperatureDrift = false;
    orvex_sim::settings("SIM1").fpgaTemperature = fpgaRaw;
    orvex_sim::settings("SIM1").sensorTemperature = sensorRaw;
    f.connectCamera();
    const int logSize = f.logLines().size();
    auto* fpga = f.child<QPlainTextEdit>("fpgaTempTextEdit");
    auto* sensor = f.child<QPlainTextEdit>("sensorTempTextEdit");
    QTRY_COMPARE(fpga->toPlainText(), fpgaText);
    QCOMPARE(sensor->toPlainText(), sensorText);

    orvex_sim::settings("SIM1").fpgaTemperature = fpgaRaw + 10000.0f;
    orvex_sim::settings("SIM1").sensorTemperature = sensorRaw + 20000.0f;
    QTRY_VERIFY(fpga->toPlainText() != fpgaText);
    QCOMPARE(shownCelsius(f, "fpgaTempTextEdit"), fpgaText.chopped(2).toDouble() + 10.0);
    QCOMPARE(shownCelsius(f, "sensorTempTextEdit"), sensorText.chopped(2).toDouble() + 20.0);
    QCOMPARE(f.logLines().size(), logSize);
}

void SessionTest::tickLooksForTheExactPortName_data()
{
    QTest::addColumn<QStringList>("portsNow");
    QTest::addColumn<bool>("staysConnected");

    QTest::newRow("port still there") << QStringList{"SIM2", "SIM1"} << true;
    QTest::newRow("only in other letter case") << QStringList{"sim1"} << false;
    QTest::newRow("other ports only") << QStringList{"SIM2", "SIM3"} << false;
    QTest::newRow("no port at all") << QStringList() << false;
}

void SessionTest::tickLooksForTheExactPortName()
{
    QFETCH(QStringList, portsNow);
    QFETCH(bool, staysConnected);

    WindowFixture f;
    MessageBoxAnswerer boxes;
    f.connectCamera();
    ports::setEnumerator([portsNow] { return portsNow; });
    f.invoke("monitoringSystem");

    verifySessionState(f, staysConnected);
    QCOMPARE(orvex_sim::openDeviceCount(), staysConnected ? 1 : 0);
    QCOMPARE(f.child<QPlainTextEdit>("fpgaTempTextEdit")->toPlainText().isEmpty(), !staysConnected);
    if (!staysConnected) {
        QCOMPARE(comboItems(f.child<QComboBox>("selectDeviceComboBox")), portsNow);
        QCOMPARE(boxes.texts(), portsNow.isEmpty() ? QStringList{noPortWarning} : QStringList());
    }
}

void SessionTest::unpluggedCameraDisconnectsAndRescans()
{
    WindowFixture f;
    MessageBoxAnswerer boxes;
    f.connectCamera();
    const int logSize = f.logLines().size();
    orvex_sim::unplug("SIM1");

    QTRY_COMPARE(boxes.texts(), QStringList{noPortWarning});
    verifySessionState(f, false);
    QCOMPARE(orvex_sim::openDeviceCount(), 0);
    QCOMPARE(orvex_sim::openConnectionCount(), 0);
    QCOMPARE(f.child<QComboBox>("selectDeviceComboBox")->count(), 0);
    QCOMPARE(f.logLines().size(), logSize);
}

void SessionTest::failedTemperatureReadStopsMonitoring()
{
    WindowFixture f;
    MessageBoxAnswerer boxes;
    orvex_sim::faults("SIM1").temperatureReadsLeft = 1;
    f.connectCamera();
    const int logSize = f.logLines().size();
    f.invoke("getTemperature");
    const QString fpga = f.child<QPlainTextEdit>("fpgaTempTextEdit")->toPlainText();
    const QString sensor = f.child<QPlainTextEdit>("sensorTempTextEdit")->toPlainText();
    QVERIFY(!fpga.isEmpty() && !sensor.isEmpty());

    QTRY_VERIFY(!f.monitoringTimer()->isActive());
    QCOMPARE(WindowFixture::journalOperations().count(QStringLiteral("getTemperatures")), 2);
    QCOMPARE(f.child<QPlainTextEdit>("fpgaTempTextEdit")->toPlainText(), fpga);
    QCOMPARE(f.child<QPlainTextEdit>("sensorTempTextEdit")->toPlainText(), sensor);
    QCOMPARE(f.logLines().size(), logSize);
    QVERIFY(f.child<QPushButton>("disconnectDeviceButton")->isEnabled());
    QCOMPARE(orvex_sim::openDeviceCount(), 1);
    QCOMPARE(boxes.count(), 0);
}

QTEST_MAIN(SessionTest)
#include "tst_session.moc"
