// The User tab's settings reach the camera when an edit is finished, encoded as the camera wants
// them; the bulk run and the reset send the whole tab.
#include "messageboxanswerer.h"
#include "parametersteps.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>

namespace {

const QStringList bulkRun{"setGamma 65536",
                          "setClhe 40",
                          "setSharpening 128",
                          "setRoiX1 5",
                          "setRoiY1 5",
                          "setRoiX2 1275",
                          "setRoiY2 1019",
                          "setPolarity false",
                          "setZoom 1,640,512,0",
                          "setContrastType 0",
                          "setNucEnabled 1", // where the NUC toggle itself sends 2
                          "setHorizontalFlip false",
                          "setVerticalFlip false",
                          "setVignettingCorrection true",
                          "setColumnCorrection true"};

const char* const resetDefaults = "[defaults]\ngamma=1.5\nclhe=100\nsharpening=1.0\n"
                                  "roiX1=10.9\nroiY1=20\nroiX2=1000\nroiY2=900\npolarity=true\n"
                                  "zoomFactor=2.0\nzoomMethod=1\nzoomXCenter=600\n"
                                  "zoomYCenter=500\ncontrastType=1\nhorizontalFlip=true\n"
                                  "vignettingCorrection=false\n";

} // namespace

class UserControlsTest : public QObject
{
    Q_OBJECT

private slots:
    void finishedEditSendsEncodedValue_data();
    void finishedEditSendsEncodedValue();
    void draggedSliderSendsOnlyOnRelease();
    void sliderMovedAtOnceSendsOnce_data();
    void sliderMovedAtOnceSendsOnce();
    void heldGestureSendsOnceWhenLetGo_data();
    void heldGestureSendsOnceWhenLetGo();
    void boxOpenedDuringAPressEndsIt_data();
    void boxOpenedDuringAPressEndsIt();
    void listWithoutAnEntryIsNotSent_data();
    void listWithoutAnEntryIsNotSent();
    void boxTakingTheFocusSendsNoOtherEdit_data();
    void boxTakingTheFocusSendsNoOtherEdit();
    void listSelectionSendsItsIndex_data();
    void listSelectionSendsItsIndex();
    void roiBoundIsCheckedAgainstItsOpposite_data();
    void roiBoundIsCheckedAgainstItsOpposite();
    void bulkRunGoesOnAfterARefusal();
    void bulkRunAsksAboutY1BeforeSendingX2AndY2();
    void bulkRunStopsWhenTheCameraGoesDuringTheRoiBox();
    void declinedResetChangesNothing();
    void acceptedResetLoadsAndSendsTheDefaults();
    void absurdDefaultsLandOnTheControlLimits();
    void nothingIsSentWithoutACamera();
};

void UserControlsTest::finishedEditSendsEncodedValue_data()
{
    QTest::addColumn<QString>("spinBox");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("report");
    // 1.3 x 65536 = 85196.8 and 0.1 x 256 = 25.6: the fraction is dropped, not rounded.
    addRow("gamma", "gammaEdit", "1.3", "setGamma 85196", "Set GAMMA value OK");
    addRow("gamma top", "gammaEdit", "2.5", "setGamma 163840", "Set GAMMA value OK");
    addRow("sharpening", "sharpeningEdit", "0.1", "setSharpening 25",
           "Configure EDGE CORRECTION OK");
    addRow("sharpening top", "sharpeningEdit", "4", "setSharpening 1024",
           "Configure EDGE CORRECTION OK");
    addRow("clhe", "clheEdit", "12345", "setClhe 12345", "Set CLHE value OK");
    // The nearest float to 1.1 is 1.10000002384185791015625.
    addRow("zoom factor", "factorZoomEdit", "1.1", "setZoom 1.10000002,640,512,0",
           "Configure Zoom OK");
    addRow("zoom centre", "yCenterZoomEdit", "700", "setZoom 1,640,700,0", "Configure Zoom OK");
}

void UserControlsTest::finishedEditSendsEncodedValue()
{
    QFETCH(QString, spinBox);
    QFETCH(QString, typed);
    QFETCH(QString, operation);
    QFETCH(QString, report);

    WindowFixture fixture;
    fixture.connectCamera();
    orvex_sim::clearJournal();
    fixture.typeAndEnter(qPrintable(spinBox), typed);
    QCOMPARE(sent(), QStringList{operation});
    QCOMPARE(fixture.logLines().last(), report);
}

void UserControlsTest::draggedSliderSendsOnlyOnRelease()
{
    WindowFixture fixture;
    fixture.connectCamera();
    orvex_sim::clearJournal();
    auto* slider = fixture.child<QSlider>("gammaSlider");
    slider->setSliderDown(true);
    for (int position : {6, 12, 20, 9})
        slider->setSliderPosition(position);
    QVERIFY(sent().isEmpty());
    slider->setSliderDown(false);
    QCOMPARE(sent(), QStringList{"setGamma 91750"});
}

void UserControlsTest::sliderMovedAtOnceSendsOnce_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("slider");
    QTest::addColumn<QString>("move");
    QTest::addColumn<QStringList>("operations");
    QTest::addColumn<QString>("report");
    addRow("gamma by arrow key", "UserMode", "gammaSlider", "key", QStringList{"setGamma 78643"},
           "Set GAMMA value OK");
    addRow("gamma by page key", "UserMode", "gammaSlider", "page", QStringList{"setGamma 98304"},
           "Set GAMMA value OK");
    addRow("sharpening by wheel", "UserMode", "sharpeningSlider", "wheel",
           QStringList{"setSharpening 384"}, "Configure EDGE CORRECTION OK");
    addRow("clhe by groove click", "UserMode", "clheSlider", "groove", QStringList{"setClhe 1040"},
           "Set CLHE value OK");
    addRow("gms by arrow key", "ExpertMode", "gmsSlider", "key", QStringList{"setGms 101"},
           "Set GMS value OK");
    addRow("detector sends only through Apply", "IAControl", "nbBoxesSlider", "key", QStringList(),
           "");
}

// A key press, a wheel notch and a click on the groove move a slider without a drag: the move is
// the finished edit, sent once with the same encoding and report as a drag's release.
void UserControlsTest::sliderMovedAtOnceSendsOnce()
{
    QFETCH(QString, page);
    QFETCH(QString, slider);
    QFETCH(QString, move);
    QFETCH(QStringList, operations);
    QFETCH(QString, report);

    WindowFixture fixture;
    fixture.connectCamera();
    fixture.showPage(qPrintable(page));
    auto* moved = fixture.child<QSlider>(qPrintable(slider));
    const int before = moved->value();
    orvex_sim::clearJournal();
    fixture.clearLog();

    if (move == QLatin1String("key")) {
        QTest::keyClick(moved, Qt::Key_Right);
    } else if (move == QLatin1String("page")) {
        QTest::keyClick(moved, Qt::Key_PageUp);
    } else if (move == QLatin1String("wheel")) {
        turnWheelOneNotch(moved);
    } else {
        QTest::mouseClick(moved, Qt::LeftButton, {}, grooveEnd(moved));
    }

    QVERIFY(moved->value() > before);
    QCOMPARE(sent(), operations);
    QCOMPARE(fixture.logLines(), report.isEmpty() ? QStringList() : QStringList{report});
}

void UserControlsTest::heldGestureSendsOnceWhenLetGo_data()
{
    QTest::addColumn<QString>("slider");
    QTest::addColumn<QString>("gesture");
    QTest::addColumn<QString>("operation");
    addRow("arrow key, a release before each repeat", "gmsSlider", "key x11", "setGms");
    addRow("arrow key, repeats alone", "gmsSlider", "key", "setGms");
    addRow("wheel during a held key", "gmsSlider", "key wheel", "setGms");
    addRow("Tab during a held key", "gmsSlider", "key Tab", "setGms");
    addRow("a second key held, the first let go first", "gmsSlider", "key Up", "setGms");
    addRow("groove", "clheSlider", "groove", "setClhe");
    addRow("Escape during a groove press", "clheSlider", "groove Escape", "setClhe");
    addRow("groove, let go over another slider", "clheSlider", "groove elsewhere", "setClhe");
}

// A held key or button repeats its step; each send would block the window for the link's latency.
void UserControlsTest::heldGestureSendsOnceWhenLetGo()
{
    QFETCH(QString, slider);
    QFETCH(QString, gesture);
    QFETCH(QString, operation);

    WindowFixture fixture;
    fixture.connectCamera();
    fixture.monitoringTimer()->stop(); // its temperature reads would show among the sends
    auto* moved = fixture.child<QSlider>(qPrintable(slider));
    fixture.child<QTabWidget>("tabWidget")->setCurrentWidget(moved->parentWidget());
    fixture.focus(qPrintable(slider));
    const int before = moved->value();
    orvex_sim::clearJournal();

    const bool byKey = gesture.startsWith("key");
    if (byKey)
        holdKey(moved, Qt::Key_Right, 4, gesture.contains("x11"));
    const Qt::Key lastKey = gesture.contains("Up") ? Qt::Key_Up : Qt::Key_Right;
    if (lastKey == Qt::Key_Up) {
        holdKey(moved, Qt::Key_Up, 2, false);
        QTest::keyRelease(moved, Qt::Key_Right);
        holdKey(moved, Qt::Key_Up, 2, false);
    }
    if (gesture.contains("wheel"))
        turnWheelOneNotch(moved);
    if (!byKey) {
        pressOn(moved, grooveEnd(moved));
        QTRY_VERIFY(moved->value() >= before + 3 * moved->pageStep());
    }
    if (gesture.contains("Escape"))
        QTest::keyClick(moved, Qt::Key_Escape);
    QVERIFY(moved->value() > before);
    QCOMPARE(sent(), QStringList());

    if (gesture.contains("Tab"))
        QTest::keyClick(moved, Qt::Key_Tab);
    if (byKey)
        QTest::keyRelease(QApplication::focusWidget(), lastKey);
    else
        releaseOn(gesture.contains("elsewhere") ? fixture.child<QWidget>("gammaSlider") : moved,
                  QPoint(3, 3));

    QCOMPARE(sent(), QStringList{operation + ' ' + QString::number(moved->value())});
}

void UserControlsTest::boxOpenedDuringAPressEndsIt_data()
{
    QTest::addColumn<QString>("press");
    QTest::addColumn<QStringList>("operations");
    addRow("ROI box on a press on the groove", "groove",
           QStringList{"setRoiX1 300", "setGamma 98304"});
    addRow("ROI box on a press on the handle", "handle",
           QStringList{"setRoiX1 300", "setGamma 65536"});
    addRow("port monitor's warning during a drag", "drag", QStringList());
    // The spin box steps once, and the slider follows it; the edit is sent when it is finished.
    addRow("ROI box on a press on a spin box's arrow", "arrow", QStringList{"setRoiX1 300"});
}

// The operator lets go while the box is up, so the release goes to the box. A press is over when
// its box is: the slider neither repeats its step nor stays down, and later moves send again.
void UserControlsTest::boxOpenedDuringAPressEndsIt()
{
    QFETCH(QString, press);
    QFETCH(QStringList, operations);

    WindowFixture fixture;
    fixture.connectCamera();
    fixture.monitoringTimer()->stop(); // its temperature reads would show among the sends
    const bool drag = press == QLatin1String("drag");
    auto* slider = fixture.child<QSlider>(drag ? "gmsSlider" : "gammaSlider");
    MessageBoxAnswerer answerer;
    QPoint at;
    answerer.beforeAnswering([&] { releaseOn(slider, at); });

    if (drag) {
        fixture.showPage("ExpertMode");
        at = handleCentre(slider);
        pressOn(slider, at);
        QVERIFY(slider->isSliderDown());
        orvex_sim::clearJournal();
        // The camera's only port goes: the monitor disconnects, scans and finds no port at all.
        orvex_sim::unplug("SIM1");
        fixture.invoke("monitoringSystem");
    } else {
        // Typed into X1 and not yet finished, beyond X2: leaving X1 opens the "ROI" box.
        fixture.child<QSpinBox>("x2RoiEdit")->setValue(300);
        auto* x1 = static_cast<QSpinBox*>(fixture.focus("x1RoiEdit"));
        x1->selectAll();
        QTest::keyClicks(x1, "400");
        orvex_sim::clearJournal();
        auto* gamma = fixture.child<QDoubleSpinBox>("gammaEdit");
        const bool arrow = press == QLatin1String("arrow");
        at = press == QLatin1String("groove") ? grooveEnd(slider)
             : arrow                          ? upArrowCentre(gamma)
                                              : handleCentre(slider);
        pressOn(arrow ? static_cast<QWidget*>(gamma) : slider, at);
    }
    QCOMPARE(answerer.count(), 1);
    const int afterTheBox = slider->value();
    QTest::qWait(700); // past the first repeat of a held press, due after 500 ms

    QCOMPARE(slider->value(), afterTheBox);
    QVERIFY(!slider->isSliderDown());
    QCOMPARE(sent(), operations);
    if (!drag) {
        QTest::keyClick(slider, Qt::Key_Right);
        QCOMPARE(sent().size(), operations.size() + 1);
    }
}

void UserControlsTest::listWithoutAnEntryIsNotSent_data()
{
    QTest::addColumn<QString>("cameraValue");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QStringList>("operations");
    QTest::addColumn<QString>("report");
    addRow("zoom edit", "zoomMethod", "edit", QStringList(),
           "Zoom not sent: no interpolation method selected");
    QStringList withoutZoom = bulkRun;
    withoutZoom.removeAll("setZoom 1,640,512,0");
    addRow("zoom in the bulk run", "zoomMethod", "bulk", withoutZoom,
           "Zoom not sent: no interpolation method selected");
    QStringList withoutContrast = bulkRun;
    withoutContrast.removeAll("setContrastType 0");
    addRow("contrast type in the bulk run", "contrastType", "bulk", withoutContrast,
           "Contrast type not sent: no contrast algorithm selected");
}

// A camera value the list does not offer leaves it without an entry; its index would reach the
// camera as 255.
void UserControlsTest::listWithoutAnEntryIsNotSent()
{
    QFETCH(QString, cameraValue);
    QFETCH(QString, action);
    QFETCH(QStringList, operations);
    QFETCH(QString, report);

    WindowFixture fixture;
    if (cameraValue == QLatin1String("zoomMethod"))
        orvex_sim::settings("SIM1").zoom.method = 2;
    else
        orvex_sim::settings("SIM1").contrastType = 2;
    fixture.connectCamera();
    orvex_sim::clearJournal();
    fixture.clearLog();

    if (action == QLatin1String("edit"))
        fixture.typeAndEnter("factorZoomEdit", "2");
    else
        fixture.invoke("ApplyParamsUser");

    QCOMPARE(sent(), operations);
    QVERIFY2(fixture.logLines().contains(report), qPrintable(fixture.logText()));
}

void UserControlsTest::boxTakingTheFocusSendsNoOtherEdit_data()
{
    QTest::addColumn<QString>("clicked");
    QTest::newRow("finished by clicking gamma") << "gammaEdit";
    QTest::newRow("finished by clicking X2") << "x2RoiEdit";
}

// The "ROI" box takes the focus from the control the operator clicked into, which finishes an
// edit nobody made: only the corrected X1 may reach the camera.
void UserControlsTest::boxTakingTheFocusSendsNoOtherEdit()
{
    QFETCH(QString, clicked);

    WindowFixture fixture;
    fixture.connectCamera();
    fixture.child<QSpinBox>("x2RoiEdit")->setValue(300);
    auto* x1 = static_cast<QSpinBox*>(fixture.focus("x1RoiEdit"));
    x1->selectAll();
    QTest::keyClicks(x1, "400");
    orvex_sim::clearJournal();
    MessageBoxAnswerer answerer;

    QTest::mouseClick(fixture.child<QWidget>(qPrintable(clicked)), Qt::LeftButton);

    QCOMPARE(answerer.texts(), QStringList{"ROI X1 must be lower than ROI X2"});
    QCOMPARE(sent(), QStringList{"setRoiX1 300"});
}

void UserControlsTest::listSelectionSendsItsIndex_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("report");
    addRow("video output", "VideoOutputCB", "BT656/SDI", "setVideoOutput 8",
           "Set VIDEO OUTPUT value OK");
    addRow("contrast type", "contrastTypeEdit", "CLAHE (Local)", "setContrastType 1",
           "Configure contrast type OK");
    addRow("zoom method", "methodZoomEdit", "Bilinear", "setZoom 1,640,512,1", "Configure Zoom OK");
}

void UserControlsTest::listSelectionSendsItsIndex()
{
    QFETCH(QString, list);
    QFETCH(QString, entry);
    QFETCH(QString, operation);
    QFETCH(QString, report);

    WindowFixture fixture;
    fixture.connectCamera();
    orvex_sim::clearJournal();
    auto* combo = fixture.child<QComboBox>(qPrintable(list));
    combo->setCurrentIndex(combo->findText(entry));
    QCOMPARE(sent(), QStringList{operation});
    QCOMPARE(fixture.logLines().last(), report);
}

void UserControlsTest::roiBoundIsCheckedAgainstItsOpposite_data()
{
    QTest::addColumn<QString>("edited");
    QTest::addColumn<QString>("opposite");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("operation");
    addRow("x1 above x2", "x1RoiEdit", "x2RoiEdit", "400", "ROI X1 must be lower than ROI X2",
           "setRoiX1 300");
    addRow("x2 below x1", "x2RoiEdit", "x1RoiEdit", "200", "ROI X2 must be higher than ROI X1",
           "setRoiX2 300");
    addRow("y1 above y2", "y1RoiEdit", "y2RoiEdit", "500", "ROI Y1 must be lower than ROI Y2",
           "setRoiY1 300");
    addRow("y2 below y1", "y2RoiEdit", "y1RoiEdit", "100", "ROI Y2 must be higher than ROI Y1",
           "setRoiY2 300");
    addRow("x1 equal", "x1RoiEdit", "x2RoiEdit", "300", "", "setRoiX1 300");
    addRow("y2 in order", "y2RoiEdit", "y1RoiEdit", "999", "", "setRoiY2 999");
}

// Only the edited bound is corrected and sent, once: the box takes the focus from the spin box,
// which must not finish the edit a second time.
void UserControlsTest::roiBoundIsCheckedAgainstItsOpposite()
{
    QFETCH(QString, edited);
    QFETCH(QString, opposite);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    QFETCH(QString, operation);

    WindowFixture fixture;
    fixture.connectCamera();
    fixture.child<QSpinBox>(qPrintable(opposite))->setValue(300);
    orvex_sim::clearJournal();
    MessageBoxAnswerer answerer;
    fixture.typeAndEnter(qPrintable(edited), typed);

    QCOMPARE(answerer.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(answerer.titles(), message.isEmpty() ? QStringList() : QStringList{"ROI"});
    QCOMPARE(sent(), QStringList{operation});
    QCOMPARE(fixture.child<QSpinBox>(qPrintable(opposite))->value(), 300);
    QCOMPARE(fixture.logLines().last(),
             QStringLiteral("Set ROI %1 value OK").arg(edited.left(2).toUpper()));
}

void UserControlsTest::bulkRunGoesOnAfterARefusal()
{
    WindowFixture fixture;
    fixture.connectCamera();
    orvex_sim::faults("SIM1").refused.insert("setGamma");
    orvex_sim::clearJournal();
    fixture.clearLog();
    const int appliedBefore = orvex_sim::parametersAppliedCount();

    fixture.invoke("ApplyParamsUser");

    QCOMPARE(sent(), bulkRun);
    QCOMPARE(fixture.logLines(),
             QStringList({"Set GAMMA value KO", "Set CLHE value OK", "Set SHARPENING value OK",
                          "Set ROI X1 value OK", "Set ROI Y1 value OK", "Set ROI X2 value OK",
                          "Set ROI Y2 value OK", "Set POLARITY value OK", "Configure Zoom OK",
                          "Configure contrast type OK", "Enable NUC OK",
                          "Set IMAGE horizontal FLIP value OK", "Set IMAGE vertical FLIP value OK",
                          "Set vignetting correction value OK", "Set column correction value OK"}));
    QCOMPARE(orvex_sim::parametersAppliedCount(), appliedBefore + 1);
}

void UserControlsTest::bulkRunAsksAboutY1BeforeSendingX2AndY2()
{
    WindowFixture fixture;
    fixture.connectCamera();
    fixture.child<QSpinBox>("y2RoiEdit")->setValue(400);
    fixture.child<QSpinBox>("y1RoiEdit")->setValue(500);
    orvex_sim::clearJournal();
    BoxWatcher watcher;

    fixture.invoke("ApplyParamsUser");

    QCOMPARE(watcher.texts, QStringList{"ROI Y1 must be lower than ROI Y2"});
    QCOMPARE(watcher.sentBeforeBox.value(0), bulkRun.mid(0, 4));
    QCOMPARE(sent().mid(4, 3), QStringList({"setRoiY1 400", "setRoiX2 1275", "setRoiY2 400"}));
}

void UserControlsTest::bulkRunStopsWhenTheCameraGoesDuringTheRoiBox()
{
    WindowFixture fixture;
    fixture.connectCamera();
    fixture.child<QSpinBox>("y2RoiEdit")->setValue(400);
    fixture.child<QSpinBox>("y1RoiEdit")->setValue(500);
    auto* disconnect = fixture.child<QPushButton>("disconnectDeviceButton");
    bool unplugged = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        if (!unplugged) {
            orvex_sim::unplug("SIM1");
            unplugged = true;
        }
        // The monitoring tick sees the port gone and disconnects while the box is open.
        if (!disconnect->isEnabled())
            box->buttons().value(0)->click();
    });
    poll.start(5);
    orvex_sim::clearJournal();

    fixture.invoke("ApplyParamsUser");

    QVERIFY(!disconnect->isEnabled());
    QCOMPARE(sent(), bulkRun.mid(0, 4));
}

void UserControlsTest::declinedResetChangesNothing()
{
    WindowFixture fixture(resetDefaults);
    fixture.connectCamera();
    orvex_sim::clearJournal();
    fixture.clearLog();
    MessageBoxAnswerer answerer(QMessageBox::No);

    fixture.click("resetParamButtonUser");

    QCOMPARE(answerer.texts(), QStringList{"Do you really want to reset settings?"});
    QVERIFY(sent().isEmpty());
    QVERIFY(fixture.logText().isEmpty());
    QCOMPARE(fixture.child<QSlider>("gammaSlider")->value(), 5);
    QCOMPARE(fixture.child<QSpinBox>("x1RoiEdit")->value(), 5);
    QVERIFY(!fixture.child<QPushButton>("polarityButton")->isChecked());
}

// Loading a list's index runs its handler at once: the zoom goes out with the new method and the
// old centres, and the contrast type as the default and then as "CLHE (ROI)".
void UserControlsTest::acceptedResetLoadsAndSendsTheDefaults()
{
    WindowFixture fixture(resetDefaults);
    fixture.connectCamera();
    orvex_sim::clearJournal();
    const int appliedBefore = orvex_sim::parametersAppliedCount();
    MessageBoxAnswerer answerer(QMessageBox::Yes);

    fixture.click("resetParamButtonUser");

    QCOMPARE(sent(),
             QStringList({"setZoom 2,640,512,1", "setContrastType 1", "setContrastType 0",
                          "setGamma 98304", "setClhe 100", "setSharpening 256", "setRoiX1 10",
                          "setRoiY1 20", "setRoiX2 1000", "setRoiY2 900", "setPolarity true",
                          "setZoom 2,600,500,1", "setContrastType 0", "setNucEnabled 1",
                          "setHorizontalFlip true", "setVerticalFlip false",
                          "setVignettingCorrection false", "setColumnCorrection true"}));
    QCOMPARE(orvex_sim::parametersAppliedCount(), appliedBefore + 1);
    QCOMPARE(fixture.child<QDoubleSpinBox>("gammaEdit")->value(), 1.5);
    QCOMPARE(fixture.child<QPushButton>("polarityButton")->text(),
             QString("Invert polarity: Activated"));
    QCOMPARE(fixture.child<QPushButton>("VignettingCorrectionButton")->text(),
             QString("Vignetting correction: Deactivated"));
}

void UserControlsTest::absurdDefaultsLandOnTheControlLimits()
{
    WindowFixture fixture("[defaults]\ngamma=1e300\nclhe=-1e300\nsharpening=1e300\n"
                          "roiX1=-1e300\nroiY1=1e300\n");
    fixture.connectCamera();
    MessageBoxAnswerer answerer(QMessageBox::Yes);

    fixture.click("resetParamButtonUser");

    QCOMPARE(fixture.child<QSlider>("gammaSlider")->value(), 20);
    QCOMPARE(fixture.child<QSlider>("clheSlider")->value(), 0);
    QCOMPARE(fixture.child<QSlider>("sharpeningSlider")->value(), 40);
    QCOMPARE(fixture.child<QSpinBox>("x1RoiEdit")->value(), 5);
    QCOMPARE(fixture.child<QSpinBox>("y1RoiEdit")->value(), 1019);
    QCOMPARE(WindowFixture::lastArguments("setGamma"), QString("163840"));
}

void UserControlsTest::nothingIsSentWithoutACamera()
{
    WindowFixture fixture;
    // An out-of-order bound is still corrected and explained.
    fixture.child<QSpinBox>("x1RoiEdit")->setValue(600);
    MessageBoxAnswerer answerer;

    for (const char* slot : {"gammaUserSendCommand", "clheSendCommand", "sharpeningSendCommand",
                             "zoomChanged", "videoOutputChanged", "contrastTypeChanged",
                             "x1RoiUserValueChanged", "x2RoiUserValueChanged",
                             "y1RoiUserValueChanged", "y2RoiUserValueChanged", "ApplyParamsUser"})
        fixture.invoke(slot);

    QVERIFY(sent().isEmpty());
    QVERIFY(fixture.logText().isEmpty());
    QCOMPARE(answerer.texts(), QStringList{"ROI X1 must be lower than ROI X2"});
    QCOMPARE(fixture.child<QSpinBox>("x1RoiEdit")->value(), 5);
}

QTEST_MAIN(UserControlsTest)
#include "tst_usercontrols.moc"
