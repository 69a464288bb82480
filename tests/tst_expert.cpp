// The Expert tab's constants reach the camera one by one or in the bulk run, which without a
// camera keeps them for the next connect; the serial number is written once or by force. A
// number that does not fit where it goes is refused by name, never wrapped.
#include "messageboxanswerer.h"
#include "parametersteps.h"

#include <QDoubleSpinBox>

#include <chrono>

namespace {

const char* const wideGmsRange = "[expert]\ngmsMax=1000000\n";

const QStringList bulkRun{"setGsk 2",
                          "setGfid 500",
                          "setTint 1",
                          "setGms 100",
                          "setBprCorrection true",
                          "setOffsetCorrection true",
                          "setGainCorrection true"};

// Connected, with the Expert tab in front.
void connectToExpertTab(WindowFixture& fixture)
{
    fixture.connectCamera();
    fixture.showPage("ExpertMode");
}

// gmsEdit reaches 2^32 while gmsSlider stops at the configured maximum: only with the slider
// already there does a larger number stay in the spin box.
void enterGmsBeyondItsSlider(WindowFixture& fixture, const QString& gms)
{
    fixture.typeAndEnter("gmsEdit", "1000000");
    orvex_sim::clearJournal();
    pasteAndEnter(fixture.child<QDoubleSpinBox>("gmsEdit"), gms);
}

} // namespace

class ExpertTest : public QObject
{
    Q_OBJECT

private slots:
    void finishedEditOrReleaseSendsTheConstantOnce_data();
    void finishedEditOrReleaseSendsTheConstantOnce();
    void bulkRunGoesOnAfterARefusedConstant();
    void gmsNotAcceptedHoldsBackTheNotification_data();
    void gmsNotAcceptedHoldsBackTheNotification();
    void withoutACameraTheConstantsWaitForTheNextConnect();
    void gmsBeyondTheConfigurationFieldIsNotStored();
    void serialNumberIsWrittenOnceOrRefusedByName_data();
    void serialNumberIsWrittenOnceOrRefusedByName();
    void forcedWriteMakesEveryAttemptAndReportsTheLast_data();
    void forcedWriteMakesEveryAttemptAndReportsTheLast();
    void expertControlsSendNothingAfterDisconnect();
};

void ExpertTest::finishedEditOrReleaseSendsTheConstantOnce_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("report");
    addRow("gsk typed", "gskEdit", "3", "setGsk 3", "Set GSK value OK");
    addRow("gfid typed", "gfidEdit", "750", "setGfid 750", "Set GFID value OK");
    addRow("gms typed", "gmsEdit", "123456", "setGms 123456", "Set GMS value OK");
    // Pulled back to the slider's end when the edit is finished, not at each key: the keys typed
    // after a pull-back would otherwise land in a number the operator never typed.
    addRow("gms typed beyond its slider", "gmsEdit", "12345678", "setGms 1000000",
           "Set GMS value OK");
    addRow("tint typed", "tintEdit", "2", "setTint 2", "Set TINT value OK");
    addRow("gsk released", "gskSlider", "3", "setGsk 3", "Set GSK value OK");
    addRow("gfid released", "gfidSlider", "750", "setGfid 750", "Set GFID value OK");
    addRow("gms released", "gmsSlider", "777", "setGms 777", "Set GMS value OK");
    addRow("tint released", "tintSlider", "0", "setTint 0", "Set TINT value OK");
}

void ExpertTest::finishedEditOrReleaseSendsTheConstantOnce()
{
    QFETCH(QString, control);
    QFETCH(QString, value);
    QFETCH(QString, operation);
    QFETCH(QString, report);

    WindowFixture fixture(wideGmsRange);
    connectToExpertTab(fixture);
    orvex_sim::clearJournal();
    if (auto* slider = qobject_cast<QSlider*>(fixture.child<QWidget>(qPrintable(control))))
        dragSlider(slider, value.toInt());
    else
        fixture.typeAndEnter(qPrintable(control), value);
    QCOMPARE(sent(), QStringList{operation});
    QCOMPARE(fixture.logLines().last(), report);
}

void ExpertTest::bulkRunGoesOnAfterARefusedConstant()
{
    WindowFixture fixture;
    fixture.connectCamera();
    orvex_sim::faults("SIM1").refused.insert("setGfid");
    orvex_sim::clearJournal();
    fixture.clearLog();
    const int appliedBefore = orvex_sim::parametersAppliedCount();
    MessageBoxAnswerer answerer;

    fixture.invoke("ApplyParamsExpert");

    QCOMPARE(sent(), bulkRun);
    QCOMPARE(fixture.logLines(),
             QStringList({"Set GSK value OK", "Set GFID value KO", "Set TINT value OK",
                          "Set GMS value OK", "Set BPR correction value OK",
                          "Set Offset correction value OK", "Set Gain correction value OK"}));
    QCOMPARE(orvex_sim::parametersAppliedCount(), appliedBefore + 1);
    QCOMPARE(answerer.count(), 0);
}

void ExpertTest::gmsNotAcceptedHoldsBackTheNotification_data()
{
    QTest::addColumn<QString>("gms");
    QTest::addColumn<QString>("gmsReport");
    QTest::addColumn<QStringList>("sentBeforeBox");
    addRow("refused by the camera", "", "Set GMS value KO", bulkRun);
    addRow("beyond 32 bits", "4294967296",
           "GMS value 4294967296 not sent: the camera takes at most 4294967295",
           QStringList({"setGsk 2", "setGfid 500", "setTint 1", "setBprCorrection true",
                        "setOffsetCorrection true", "setGainCorrection true"}));
}

// The warning comes after the three correction toggles have run.
void ExpertTest::gmsNotAcceptedHoldsBackTheNotification()
{
    QFETCH(QString, gms);
    QFETCH(QString, gmsReport);
    QFETCH(QStringList, sentBeforeBox);

    WindowFixture fixture(wideGmsRange);
    connectToExpertTab(fixture);
    if (gms.isEmpty()) {
        orvex_sim::faults("SIM1").refused.insert("setGms");
        fixture.typeAndEnter("gmsEdit", "100");
    } else {
        enterGmsBeyondItsSlider(fixture, gms);
    }
    orvex_sim::clearJournal();
    fixture.clearLog();
    const int appliedBefore = orvex_sim::parametersAppliedCount();
    BoxWatcher watcher;

    fixture.invoke("ApplyParamsExpert");

    QCOMPARE(watcher.texts, QStringList{"Problem transmitting expert parameters values\n"});
    QCOMPARE(watcher.sentBeforeBox.value(0), sentBeforeBox);
    QCOMPARE(fixture.logLines().value(3), gmsReport);
    QCOMPARE(orvex_sim::parametersAppliedCount(), appliedBefore);
}

// With expert mode off a connect reads no expert values back, so the controls show what the
// configuration kept.
void ExpertTest::withoutACameraTheConstantsWaitForTheNextConnect()
{
    WindowFixture fixture("[sdk]\nexpertMode=false\n[expert]\ngmsMax=1000000\n");
    fixture.child<QSlider>("gskSlider")->setValue(3);
    fixture.child<QSlider>("gfidSlider")->setValue(700);
    fixture.child<QSlider>("tintSlider")->setValue(2);
    fixture.child<QDoubleSpinBox>("gmsEdit")->setValue(4321);

    fixture.invoke("ApplyParamsExpert");
    QVERIFY(sent().isEmpty());
    QVERIFY(fixture.logText().isEmpty());
    QCOMPARE(orvex_sim::parametersAppliedCount(), 0);

    fixture.child<QSlider>("gskSlider")->setValue(1);
    fixture.child<QSlider>("gmsSlider")->setValue(0);
    fixture.connectCamera();
    QCOMPARE(fixture.child<QDoubleSpinBox>("gskEdit")->value(), 3.0);
    QCOMPARE(fixture.child<QDoubleSpinBox>("gfidEdit")->value(), 700.0);
    QCOMPARE(fixture.child<QDoubleSpinBox>("tintEdit")->value(), 2.0);
    QCOMPARE(fixture.child<QDoubleSpinBox>("gmsEdit")->value(), 4321.0);
}

void ExpertTest::gmsBeyondTheConfigurationFieldIsNotStored()
{
    WindowFixture fixture(wideGmsRange);
    fixture.child<QSlider>("gmsSlider")->setValue(1000000);
    fixture.child<QDoubleSpinBox>("gmsEdit")->setValue(3000000000.0);
    fixture.child<QSlider>("gfidSlider")->setValue(700);

    fixture.invoke("ApplyParamsExpert");

    QCOMPARE(fixture.logLines(), QStringList{"GMS value 3000000000 not stored: the configuration "
                                             "holds at most 2147483647"});
    QCOMPARE(orvex_sim::configuration().gmsValue, 100);
    QCOMPARE(orvex_sim::configuration().gfidValue, 700);
}

void ExpertTest::serialNumberIsWrittenOnceOrRefusedByName_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("refusedByCamera");
    QTest::addColumn<QStringList>("operations");
    QTest::addColumn<QString>("report");
    const QString largest = "4294967295";
    const QString beyond = " not sent: the camera takes at most " + largest;
    addRow("largest", largest, "setSerialNumberPB", false,
           QStringList{"setSerialNumber " + largest}, "Serial number set");
    addRow("refused", largest, "setSerialNumberPB", true, QStringList{"setSerialNumber " + largest},
           "Serial number NOT set");
    addRow("beyond 32 bits", "4294967296", "setSerialNumberPB", false, QStringList(),
           "Serial number 4294967296" + beyond);
    addRow("forced, far beyond", "1" + QString(63, '0'), "forceSerialNumberPB", false,
           QStringList(), "Serial number 1e+63" + beyond);
}

void ExpertTest::serialNumberIsWrittenOnceOrRefusedByName()
{
    QFETCH(QString, number);
    QFETCH(QString, button);
    QFETCH(bool, refusedByCamera);
    QFETCH(QStringList, operations);
    QFETCH(QString, report);

    WindowFixture fixture;
    connectToExpertTab(fixture);
    if (refusedByCamera)
        orvex_sim::faults("SIM1").refused.insert("setSerialNumber");
    fixture.typeAndEnter("serialNumberSP", number);
    orvex_sim::clearJournal();
    fixture.click(qPrintable(button));
    QCOMPARE(sent(), operations);
    QCOMPARE(fixture.logLines().last(), report);
}

void ExpertTest::forcedWriteMakesEveryAttemptAndReportsTheLast_data()
{
    QTest::addColumn<QVector<bool>>("answers");
    QTest::addColumn<QString>("report");
    QVector<bool> lastAccepted(17, false);
    lastAccepted.append(true);
    QVector<bool> lastRefused(17, true);
    lastRefused.append(false);
    QTest::newRow("all accepted") << QVector<bool>(18, true) << "Force Serial number OK";
    QTest::newRow("seventeen refused, the last accepted")
        << lastAccepted << "Force Serial number OK";
    QTest::newRow("seventeen accepted, the last refused")
        << lastRefused << "Force Serial number NOT OK";
    QTest::newRow("all refused") << QVector<bool>(18, false) << "Force Serial number NOT OK";
}

void ExpertTest::forcedWriteMakesEveryAttemptAndReportsTheLast()
{
    QFETCH(QVector<bool>, answers);
    QFETCH(QString, report);

    WindowFixture fixture;
    connectToExpertTab(fixture);
    fixture.typeAndEnter("serialNumberSP", "777");
    orvex_sim::clearJournal();
    orvex_sim::faults("SIM1").scriptedAnswers["setSerialNumber"] =
        std::deque<bool>(answers.begin(), answers.end());

    fixture.click("forceSerialNumberPB");

    QCOMPARE(sent(), QVector<QString>(18, "setSerialNumber 777").toList());
    const auto journal = orvex_sim::journal();
    for (int attempt = 0; attempt < answers.size(); ++attempt)
        QCOMPARE(journal.at(std::size_t(attempt)).result,
                 std::string(answers[attempt] ? "true" : "false"));
    QCOMPARE(fixture.logLines().last(), report);
}

// The Expert page stays enabled after a disconnect: its controls must find no camera.
void ExpertTest::expertControlsSendNothingAfterDisconnect()
{
    WindowFixture fixture;
    connectToExpertTab(fixture);
    fixture.click("disconnectDeviceButton");
    QVERIFY(fixture.child<QWidget>("ExpertMode")->isEnabled());
    orvex_sim::clearJournal();
    fixture.clearLog();

    fixture.typeAndEnter("gfidEdit", "600");
    fixture.typeAndEnter("serialNumberSP", "99");
    for (const char* button : {"enableBprPB", "enableOffsetPB", "enableGainPB", "setSerialNumberPB",
                               "forceSerialNumberPB"})
        fixture.click(button);

    QVERIFY(sent().isEmpty());
    QVERIFY(fixture.logText().isEmpty());
}

QTEST_MAIN(ExpertTest)
#include "tst_expert.moc"
