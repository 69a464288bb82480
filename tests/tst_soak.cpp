// Long runs and refusals: the window over thousands of sessions and ticks, and against a camera
// that refuses each operation in turn. Bounded in count, never in time.
#include "messageboxanswerer.h"
#include "windowfixture.h"

#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>

namespace {

// Every Device operation the window calls, with the report a refusal must leave in the log
// (empty where a refusal has no report of its own and the value read is simply shown).
struct Refusal {
    const char* operation;
    const char* report;
};

const Refusal refusals[] = {
    {"getFirmwareVersions", "End Read camera parameters : COM Error"},
    {"prepareParameterRead", ""},
    {"getSerialNumber", ""},
    {"getGamma", ""},
    {"getClhe", ""},
    {"getSharpening", ""},
    {"getRoiX1", ""},
    {"getRoiY1", ""},
    {"getRoiX2", ""},
    {"getRoiY2", ""},
    {"getPolarity", ""},
    {"getZoom", ""},
    {"getContrastType", ""},
    {"getNucEnabled", ""},
    {"getHorizontalFlip", ""},
    {"getVerticalFlip", ""},
    {"getVignettingCorrection", ""},
    {"getColumnCorrection", ""},
    {"getShutterPosition", "Unable to get shutter position"},
    {"getCameraType", "No camera type found"},
    {"getShutterPresence", ""},
    {"getGsk", ""},
    {"getGfid", ""},
    {"getGms", ""},
    {"getTint", ""},
    {"getBprCorrection", ""},
    {"getOffsetCorrection", ""},
    {"getGainCorrection", ""},
    {"getIaConfiguration", "Unable to read IA configuration"},
    {"setGamma", "Set GAMMA value KO"},
    {"setClhe", "Set CLHE value KO"},
    {"setSharpening", "Set SHARPENING value KO"},
    {"setRoiX1", "Set ROI X1 value KO"},
    {"setRoiY1", "Set ROI Y1 value KO"},
    {"setRoiX2", "Set ROI X2 value KO"},
    {"setRoiY2", "Set ROI Y2 value KO"},
    {"setPolarity", "Set POLARITY value KO"},
    {"setZoom", "Configure Zoom KO"},
    {"setContrastType", "Configure contrast type KO"},
    {"setNucEnabled", "Enable NUC KO"},
    {"setHorizontalFlip", "Set IMAGE horizontal FLIP value KO"},
    {"setVerticalFlip", "Set IMAGE vertical FLIP value KO"},
    {"setVignettingCorrection", "Set vignetting correction value KO"},
    {"setColumnCorrection", "Set column correction value KO"},
    {"setGsk", "Set GSK value KO"},
    {"setGfid", "Set GFID value KO"},
    {"setTint", "Set TINT value KO"},
    {"setGms", "Set GMS value KO"},
    {"setBprCorrection", "Set BPR correction value KO"},
    {"setOffsetCorrection", "Set Offset correction value KO"},
    {"setGainCorrection", "Set Gain correction value KO"},
    {"setIaConfiguration", "Set IA config KO"},
};

int countOf(const QStringList& operations, const QString& operation)
{
    return operations.count(operation);
}

} // namespace

class SoakTest : public QObject
{
    Q_OBJECT

private slots:
    void thousandsOfSessionsHoldOneConnectionAtMost();
    void unplugAtAnyTickDisconnectsOnceAndRescans();
    void everyRefusalIsReportedAndLaterStepsStillRun_data();
    void everyRefusalIsReportedAndLaterStepsStillRun();
};

void SoakTest::thousandsOfSessionsHoldOneConnectionAtMost()
{
    WindowFixture fixture;
    fixture.click("scanDeviceButton");
    auto* disconnect = fixture.child<QPushButton>("disconnectDeviceButton");
    for (int cycle = 0; cycle < 2000; ++cycle) {
        fixture.click("connectDeviceButton");
        QVERIFY2(disconnect->isEnabled(), qPrintable(QString::number(cycle)));
        QCOMPARE(orvex_sim::openConnectionCount(), 1);
        QCOMPARE(orvex_sim::openDeviceCount(), 1);
        fixture.click("disconnectDeviceButton");
        QCOMPARE(orvex_sim::openConnectionCount(), 0);
        QCOMPARE(orvex_sim::openDeviceCount(), 0);
        // The log and the journal would otherwise grow for the whole run.
        if (cycle % 100 == 0) {
            fixture.click("PBClearLog");
            orvex_sim::clearJournal();
        }
    }
    QVERIFY(!fixture.monitoringTimer()->isActive());
}

void SoakTest::unplugAtAnyTickDisconnectsOnceAndRescans()
{
    constexpr int runs = 5;
    constexpr int ticksPerRun = 2000;
    QRandomGenerator random(20261207);
    for (int run = 0; run < runs; ++run) {
        WindowFixture fixture;
        fixture.connectCamera();
        QVERIFY(fixture.monitoringTimer()->isActive());
        const int unplugAt = random.bounded(ticksPerRun);
        MessageBoxAnswerer answerer;

        int ticks = 0;
        // The timer's own rule: no tick once it has stopped.
        while (ticks < ticksPerRun && fixture.monitoringTimer()->isActive()) {
            if (ticks == unplugAt)
                orvex_sim::unplug("SIM1");
            fixture.invoke("monitoringSystem");
            ++ticks;
        }

        const QString context = QStringLiteral("unplugged at tick %1").arg(unplugAt);
        QCOMPARE(ticks, unplugAt + 1);
        QVERIFY2(!fixture.monitoringTimer()->isActive(), qPrintable(context));
        QCOMPARE(orvex_sim::openConnectionCount(), 0);
        QCOMPARE(orvex_sim::openDeviceCount(), 0);
        QVERIFY(fixture.child<QPushButton>("connectDeviceButton")->isEnabled());
        QVERIFY(!fixture.child<QPushButton>("disconnectDeviceButton")->isEnabled());
        // The rescan finds no port left and says so, once.
        QCOMPARE(answerer.count(), 1);
        QCOMPARE(answerer.lastText(),
                 QStringLiteral("No COM port found!\nPlease, plug a COM port ans scan again."));
        QCOMPARE(countOf(fixture.journalOperations(), "getTemperatures"), unplugAt);
    }
}

void SoakTest::everyRefusalIsReportedAndLaterStepsStillRun_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("report");
    for (const Refusal& refusal : refusals)
        QTest::newRow(refusal.operation) << refusal.operation << refusal.report;
}

void SoakTest::everyRefusalIsReportedAndLaterStepsStillRun()
{
    QFETCH(QString, operation);
    QFETCH(QString, report);

    WindowFixture fixture;
    MessageBoxAnswerer answerer;
    orvex_sim::faults("SIM1").refused = {operation.toStdString()};
    fixture.connectCamera();
    if (operation == "getCameraType") {
        QVERIFY(fixture.logLines().contains(report));
        QVERIFY(!fixture.child<QPushButton>("disconnectDeviceButton")->isEnabled());
        return;
    }
    if (operation == "getFirmwareVersions") {
        QVERIFY(fixture.logLines().contains(report));
        QCOMPARE(answerer.lastTitle(), QStringLiteral("Camera not connected"));
    }

    const int appliedBefore = orvex_sim::parametersAppliedCount();
    fixture.invoke("ReadParamsExpert");
    fixture.invoke("ReadParamsIA");
    orvex_sim::clearJournal();
    fixture.invoke("ApplyParamsUser");
    fixture.invoke("ApplyParamsExpert");
    fixture.click("applyIAControls");

    if (!report.isEmpty())
        QVERIFY2(fixture.logLines().contains(report), qPrintable(fixture.logText()));
    // Each bulk run goes on to its last step whatever an earlier one answered.
    const QStringList sent = fixture.journalOperations();
    QCOMPARE(countOf(sent, "setColumnCorrection"), 1);
    QCOMPARE(countOf(sent, "setGainCorrection"), 1);
    QCOMPARE(countOf(sent, "setIaConfiguration"), 1);
    const int appliedRuns = operation == "setGms" ? 1 : 2;
    QCOMPARE(orvex_sim::parametersAppliedCount(), appliedBefore + appliedRuns);
    if (operation == "setGms")
        QCOMPARE(answerer.lastText(),
                 QStringLiteral("Problem transmitting expert parameters values\n"));
}

QTEST_MAIN(SoakTest)
#include "tst_soak.moc"
