// The detector settings go to the camera together, as one record, and only when applied.
#include "messageboxanswerer.h"
#include "parametersteps.h"

#include <QComboBox>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

namespace {

const char* const iaDefaults = "[defaults]\niaResizeMode=2\niaMaxBoxes=20\niaSensitivity=60\n"
                               "iaInterOverUnion=30\niaOutputType=1\n";

void selectEntry(WindowFixture& fixture, const char* list, const QString& entry)
{
    auto* combo = fixture.child<QComboBox>(list);
    combo->setCurrentIndex(combo->findText(entry));
}

} // namespace

class IaTest : public QObject
{
    Q_OBJECT

private slots:
    void applySendsTheFiveControlsAsOneRecord_data();
    void applySendsTheFiveControlsAsOneRecord();
    void resetAsksFirst_data();
    void resetAsksFirst();
    void nothingIsSentWithoutACamera();
    void listWithoutAnEntryIsNotSent_data();
    void listWithoutAnEntryIsNotSent();
};

void IaTest::applySendsTheFiveControlsAsOneRecord_data()
{
    QTest::addColumn<bool>("refused");
    QTest::addColumn<QString>("report");
    QTest::newRow("accepted") << false << "Set IA config OK";
    QTest::newRow("refused") << true << "Set IA config KO";
}

void IaTest::applySendsTheFiveControlsAsOneRecord()
{
    QFETCH(bool, refused);
    QFETCH(QString, report);

    WindowFixture fixture;
    orvex_sim::settings("SIM1").ia = orvex_sdk::IaConfiguration{0, 0, 0, 0, 0};
    fixture.connectCamera();
    fixture.child<QTabWidget>("tabWidget")->setCurrentWidget(fixture.child<QWidget>("IAControl"));
    if (refused)
        orvex_sim::faults("SIM1").refused.insert("setIaConfiguration");
    orvex_sim::clearJournal();

    selectEntry(fixture, "iAResizeModeComboBox", "IA Enabled centered 416x416 aspect ratio kept");
    fixture.typeAndEnter("nbBoxesSpinBox", "100");
    auto* sensitivity = fixture.child<QSlider>("iASensitivitySlider");
    sensitivity->setSliderDown(true);
    sensitivity->setSliderPosition(50);
    sensitivity->setSliderDown(false);
    fixture.typeAndEnter("interOverUnionSpinBox", "45");
    selectEntry(fixture, "iAOutputTypeComboBox", "UART&OSD");
    QVERIFY(orvex_sim::journal().empty());

    fixture.click("applyIAControls");
    QCOMPARE(WindowFixture::journalOperations(), QStringList{"setIaConfiguration"});
    QCOMPARE(WindowFixture::lastArguments("setIaConfiguration"), QString("4,100,50,45,3"));
    QCOMPARE(fixture.logLines().last(), report);
}

void IaTest::resetAsksFirst_data()
{
    QTest::addColumn<bool>("accepted");
    QTest::newRow("no") << false;
    QTest::newRow("yes") << true;
}

void IaTest::resetAsksFirst()
{
    QFETCH(bool, accepted);

    WindowFixture fixture(iaDefaults);
    fixture.connectCamera();
    fixture.child<QTabWidget>("tabWidget")->setCurrentWidget(fixture.child<QWidget>("IAControl"));
    orvex_sim::clearJournal();
    const QStringList logBefore = fixture.logLines();
    MessageBoxAnswerer answerer(accepted ? QMessageBox::Yes : QMessageBox::No);

    fixture.click("resetIAControls");

    QCOMPARE(answerer.texts(), QStringList{"Do you really want to reset IA settings?"});
    if (!accepted) {
        QVERIFY(orvex_sim::journal().empty());
        QCOMPARE(fixture.logLines(), logBefore);
        QCOMPARE(fixture.child<QSpinBox>("nbBoxesSpinBox")->value(), 10);
        return;
    }
    QCOMPARE(WindowFixture::journalOperations(), QStringList{"setIaConfiguration"});
    QCOMPARE(WindowFixture::lastArguments("setIaConfiguration"), QString("2,20,60,30,1"));
    QCOMPARE(fixture.logLines(), logBefore + QStringList{"Set IA config OK"});
    QCOMPARE(fixture.child<QSlider>("nbBoxesSlider")->value(), 20);
    QCOMPARE(fixture.child<QSlider>("interOverUnionSlider")->value(), 30);
}

void IaTest::nothingIsSentWithoutACamera()
{
    WindowFixture fixture(iaDefaults);
    MessageBoxAnswerer answerer(QMessageBox::Yes);
    fixture.invoke("ApplyParamsIA");
    fixture.invoke("ResetParamsIA");
    QVERIFY(orvex_sim::journal().empty());
    QVERIFY(fixture.logText().isEmpty());
    QCOMPARE(fixture.child<QSpinBox>("iASensitivitySpinBox")->value(), 60);
}

void IaTest::listWithoutAnEntryIsNotSent_data()
{
    QTest::addColumn<QString>("ini");
    QTest::addColumn<QString>("setting");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("report");
    addRow("resize mode read back", QString(), "resizeMode", 6,
           "IA config not sent: no resize mode selected");
    addRow("output type read back", QString(), "outputType", 255,
           "IA config not sent: no output type selected");
    addRow("resize mode from the defaults", "[defaults]\niaResizeMode=7\n", "reset", 0,
           "IA config not sent: no resize mode selected");
}

// A value the list does not offer leaves it without an entry, whose index would go out as 255.
void IaTest::listWithoutAnEntryIsNotSent()
{
    QFETCH(QString, ini);
    QFETCH(QString, setting);
    QFETCH(int, value);
    QFETCH(QString, report);

    WindowFixture fixture(ini);
    orvex_sdk::IaConfiguration& camera = orvex_sim::settings("SIM1").ia;
    if (setting == QLatin1String("resizeMode"))
        camera.resizeMode = std::uint8_t(value);
    else if (setting == QLatin1String("outputType"))
        camera.outputType = std::uint8_t(value);
    fixture.connectCamera();
    fixture.child<QTabWidget>("tabWidget")->setCurrentWidget(fixture.child<QWidget>("IAControl"));
    orvex_sim::clearJournal();
    MessageBoxAnswerer answerer(QMessageBox::Yes);

    fixture.click(setting == QLatin1String("reset") ? "resetIAControls" : "applyIAControls");

    QVERIFY(orvex_sim::journal().empty());
    QCOMPARE(fixture.logLines().last(), report);
}

QTEST_MAIN(IaTest)
#include "tst_ia.moc"
