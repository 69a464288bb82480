// The on/off buttons send their checked state and swap their caption only once the camera has
// accepted; the NUC requests show NUC as activated without sending it again.
#include "messageboxanswerer.h"
#include "parametersteps.h"

#include <QPushButton>
#include <QTabWidget>

class TogglesTest : public QObject
{
    Q_OBJECT

private slots:
    void clickSendsStateAndSwapsCaptionOnlyWhenAccepted_data();
    void clickSendsStateAndSwapsCaptionOnlyWhenAccepted();
    void onlyTheOppositeCaptionIsReplaced_data();
    void onlyTheOppositeCaptionIsReplaced();
    void nucRequest_data();
    void nucRequest();
    void nothingIsSentWithoutACamera();
};

void TogglesTest::clickSendsStateAndSwapsCaptionOnlyWhenAccepted_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("on");
    QTest::addColumn<QString>("off");
    QTest::addColumn<QString>("captions"); // on and off, split by "|"
    QTest::addColumn<QString>("reports");  // OK and KO, split by "|"
    addRow("polarity", "polarityButton", "setPolarity", "true", "false",
           "Invert polarity: Activated|Invert polarity: Deactivated",
           "Set POLARITY value OK|Set POLARITY value KO");
    addRow("vertical flip", "verticalFlipButton", "setVerticalFlip", "true", "false",
           "Vertical flip: Activated|Vertical flip: Deactivated",
           "Set VERTICAL FLIP value OK|Set VERTICAL FLIP value KO");
    addRow("horizontal flip", "horizontalFlipButton", "setHorizontalFlip", "true", "false",
           "Horizontal flip: Activated|Horizontal flip: Deactivated",
           "Set HORIZONTAL FLIP value OK|Set HORIZONTAL FLIP value KO");
    addRow("column", "ColumnCorrectionButton", "setColumnCorrection", "true", "false",
           "Column correction: Activated|Column correction: Deactivated",
           "Set column correction value OK|Set column correction value KO");
    addRow("vignetting", "VignettingCorrectionButton", "setVignettingCorrection", "true", "false",
           "Vignetting correction: Activated|Vignetting correction: Deactivated",
           "Set vignetting correction value OK|Set vignetting correction value KO");
    addRow("shutter", "shutterCtrlPB", "setShutterPosition", "true", "false",
           "Shutter closed|Shutter opened", "Set shutter position OK|Set shutter position KO");
    addRow("nuc", "nucEnablingButton", "setNucEnabled", "2", "0", "NUC: Activated|NUC: Deactivated",
           "Set NUC control OK|Set NUC control value KO");
    addRow("bpr", "enableBprPB", "setBprCorrection", "true", "false",
           "BPR Correction: Activated|BPR Correction: Deactivated",
           "Set BPR correction value OK|Set BPR correction value KO");
    addRow("offset", "enableOffsetPB", "setOffsetCorrection", "true", "false",
           "Offset Correction: Activated|Offset Correction: Deactivated",
           "Set Offset correction value OK|Set Offset correction value KO");
    addRow("gain", "enableGainPB", "setGainCorrection", "true", "false",
           "Gain Correction: Activated|Gain Correction: Deactivated",
           "Set Gain correction value OK|Set Gain correction value KO");
}

// Starts from the off state a read-back shows; a refusal leaves the button as the click left it.
void TogglesTest::clickSendsStateAndSwapsCaptionOnlyWhenAccepted()
{
    QFETCH(QString, button);
    QFETCH(QString, operation);
    QFETCH(QString, on);
    QFETCH(QString, off);
    QFETCH(QString, captions);
    QFETCH(QString, reports);
    const QString onCaption = captions.section('|', 0, 0);
    const QString offCaption = captions.section('|', 1, 1);

    WindowFixture fixture;
    fixture.connectCamera();
    auto* toggle = fixture.child<QPushButton>(qPrintable(button));
    fixture.child<QTabWidget>("tabWidget")->setCurrentWidget(toggle->parentWidget());
    toggle->setChecked(false);
    toggle->setText(offCaption);
    orvex_sim::clearJournal();

    QTest::mouseClick(toggle, Qt::LeftButton);
    QVERIFY(toggle->isChecked());
    QCOMPARE(toggle->text(), onCaption);
    QCOMPARE(fixture.logLines().last(), reports.section('|', 0, 0));
    QTest::mouseClick(toggle, Qt::LeftButton);
    QVERIFY(!toggle->isChecked());
    QCOMPARE(toggle->text(), offCaption);

    orvex_sim::faults("SIM1").refused.insert(operation.toStdString());
    QTest::mouseClick(toggle, Qt::LeftButton);
    QVERIFY(toggle->isChecked());
    QCOMPARE(toggle->text(), offCaption);
    QCOMPARE(fixture.logLines().last(), reports.section('|', 1, 1));
    QCOMPARE(sent(),
             QStringList({operation + ' ' + on, operation + ' ' + off, operation + ' ' + on}));
}

void TogglesTest::onlyTheOppositeCaptionIsReplaced_data()
{
    QTest::addColumn<QString>("startCaption");
    QTest::addColumn<QString>("afterFirstClick");
    QTest::addColumn<QString>("afterSecondClick");
    // The form starts every toggle unchecked yet captioned as on.
    addRow("fresh button", "Vertical flip: Activated", "Vertical flip: Activated",
           "Vertical flip: Deactivated");
    addRow("foreign caption", "Vertical flip", "Vertical flip", "Vertical flip");
}

void TogglesTest::onlyTheOppositeCaptionIsReplaced()
{
    QFETCH(QString, startCaption);
    QFETCH(QString, afterFirstClick);
    QFETCH(QString, afterSecondClick);

    WindowFixture fixture;
    fixture.connectCamera();
    auto* button = fixture.child<QPushButton>("verticalFlipButton");
    button->setChecked(false);
    button->setText(startCaption);

    fixture.click("verticalFlipButton");
    QCOMPARE(button->text(), afterFirstClick);
    fixture.click("verticalFlipButton");
    QCOMPARE(button->text(), afterSecondClick);
    QCOMPARE(fixture.logLines().last(), QString("Set VERTICAL FLIP value OK"));
}

void TogglesTest::nucRequest_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<bool>("refused");
    addRow("nuc request", "userNucRequest", "requestNuc 0", false);
    addRow("automatic routine", "autoNucPB", "requestNuc 1", false);
    addRow("nuc request refused", "userNucRequest", "requestNuc 0", true);
    addRow("automatic routine refused", "autoNucPB", "requestNuc 1", true);
}

// The camera switches NUC on by itself: the enable button shows it but sends nothing.
void TogglesTest::nucRequest()
{
    QFETCH(QString, button);
    QFETCH(QString, operation);
    QFETCH(bool, refused);

    WindowFixture fixture;
    fixture.connectCamera();
    auto* nucEnable = fixture.child<QPushButton>("nucEnablingButton");
    nucEnable->setChecked(false);
    nucEnable->setText("NUC: Deactivated");
    if (refused)
        orvex_sim::faults("SIM1").refused.insert("requestNuc");
    orvex_sim::clearJournal();
    const QStringList logBefore = fixture.logLines();
    MessageBoxAnswerer answerer;

    fixture.click(qPrintable(button));

    QCOMPARE(sent(), QStringList{operation});
    if (refused) {
        QCOMPARE(answerer.texts(), QStringList{"Error on processing the NUC request"});
        QCOMPARE(answerer.titles(), QStringList{QString()});
        QCOMPARE(answerer.icons(), QList<QMessageBox::Icon>{QMessageBox::Warning});
        QCOMPARE(fixture.logLines(), logBefore);
    } else {
        QCOMPARE(answerer.count(), 0);
        QCOMPARE(fixture.logLines(), logBefore + QStringList{"NUC applied"});
    }
    QCOMPARE(nucEnable->isChecked(), !refused);
    QCOMPARE(nucEnable->text(), QString(refused ? "NUC: Deactivated" : "NUC: Activated"));
}

void TogglesTest::nothingIsSentWithoutACamera()
{
    WindowFixture fixture;
    MessageBoxAnswerer answerer;
    for (const char* slot :
         {"polarityChanged", "verticalFlipChanged", "horizontalFlipChanged", "columnCorrChanged",
          "vignettingCorrChanged", "shutterPositionChanged", "nucControlRequest", "bprControl",
          "offsetControl", "gainControl", "ApplyNucRequest", "AutoNucRequest"})
        fixture.invoke(slot);
    QVERIFY(sent().isEmpty());
    QVERIFY(fixture.logText().isEmpty());
    QCOMPARE(answerer.count(), 0);
}

QTEST_MAIN(TogglesTest)
#include "tst_toggles.moc"
