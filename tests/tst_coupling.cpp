// Each slider and its spin box follow each other, whichever the operator moves, and the Read
// button follows the tab the operator shows while a camera is connected.
#include "parametersteps.h"

#include <QDoubleSpinBox>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>

#include <limits>

class CouplingTest : public QObject
{
    Q_OBJECT

private slots:
    void spinBoxFollowsDraggedSlider_data();
    void spinBoxFollowsDraggedSlider();
    void sliderFollowsTypedValue_data();
    void sliderFollowsTypedValue();
    void halfWayValueRoundsAwayFromZero();
    void valueBeyondTheSliderRange_data();
    void valueBeyondTheSliderRange();
    void unrepresentableValueLandsOnASliderEnd_data();
    void unrepresentableValueLandsOnASliderEnd();
    void readButtonFollowsTheShownTabWhileConnected_data();
    void readButtonFollowsTheShownTabWhileConnected();
};

void CouplingTest::spinBoxFollowsDraggedSlider_data()
{
    QTest::addColumn<QString>("slider");
    QTest::addColumn<QString>("spinBox");
    QTest::addColumn<int>("position");
    QTest::addColumn<double>("value");
    addRow("gamma", "gammaSlider", "gammaEdit", 7, 1.2);
    addRow("sharpening top", "sharpeningSlider", "sharpeningEdit", 40, 4.0);
    addRow("boxes", "nbBoxesSlider", "nbBoxesSpinBox", 37, 37.0);
}

void CouplingTest::spinBoxFollowsDraggedSlider()
{
    QFETCH(QString, slider);
    QFETCH(QString, spinBox);
    QFETCH(int, position);
    QFETCH(double, value);

    WindowFixture fixture;
    fixture.connectCamera();
    dragSlider(fixture.child<QSlider>(qPrintable(slider)), position);
    QCOMPARE(fixture.child<QAbstractSpinBox>(qPrintable(spinBox))->property("value").toDouble(),
             value);
    QCOMPARE(fixture.child<QSlider>(qPrintable(slider))->value(), position);
}

void CouplingTest::sliderFollowsTypedValue_data()
{
    QTest::addColumn<QString>("spinBox");
    QTest::addColumn<QString>("slider");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("position");
    // 0.7 scales to 1.9999999999999996 and 0.6 to 0.9999999999999998: truncation is one off.
    addRow("gamma 0.7", "gammaEdit", "gammaSlider", "0.7", 2);
    addRow("gamma 0.6", "gammaEdit", "gammaSlider", "0.6", 1);
    addRow("gamma bottom", "gammaEdit", "gammaSlider", "0.5", 0);
    addRow("gamma top", "gammaEdit", "gammaSlider", "2.5", 20);
    addRow("sharpening", "sharpeningEdit", "sharpeningSlider", "0.3", 3);
    addRow("clhe off the steps", "clheEdit", "clheSlider", "12345", 12345);
}

void CouplingTest::sliderFollowsTypedValue()
{
    QFETCH(QString, spinBox);
    QFETCH(QString, slider);
    QFETCH(QString, typed);
    QFETCH(int, position);

    WindowFixture fixture;
    fixture.connectCamera();
    fixture.typeAndEnter(qPrintable(spinBox), typed);
    QCOMPARE(fixture.child<QSlider>(qPrintable(slider))->value(), position);
    QCOMPARE(fixture.child<QAbstractSpinBox>(qPrintable(spinBox))->property("value").toDouble(),
             typed.toDouble());
}

// The read-back hands the camera's gamma to the coupling unrounded: 0.75 scales to exactly 2.5.
void CouplingTest::halfWayValueRoundsAwayFromZero()
{
    WindowFixture fixture;
    orvex_sim::settings("SIM1").gamma = 49152;
    fixture.connectCamera();
    QVERIFY(fixture.logLines().contains("Gamma value = 0.75"));
    QCOMPARE(fixture.child<QSlider>("gammaSlider")->value(), 3);
    QCOMPARE(fixture.child<QDoubleSpinBox>("gammaEdit")->value(), 0.8);
}

void CouplingTest::valueBeyondTheSliderRange_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<double>("kept");
    addRow("slider inside its range", "100", "5000000", 1000000.0);
    addRow("slider at its limit", "1000000", "5000000", 5000000.0);
    addRow("largest gms, slider inside", "100", "4294967296", 1000000.0);
    addRow("largest gms, slider at limit", "1000000", "4294967296", 4294967296.0);
}

// A slider that has to move reports its clamped position and pulls the spin box back to it; one
// already at its limit reports nothing, and the spin box keeps what it was given.
void CouplingTest::valueBeyondTheSliderRange()
{
    QFETCH(QString, start);
    QFETCH(QString, pasted);
    QFETCH(double, kept);

    WindowFixture fixture("[expert]\ngmsMax=1000000\n");
    fixture.connectCamera();
    fixture.typeAndEnter("gmsEdit", start);
    pasteAndEnter(fixture.child<QDoubleSpinBox>("gmsEdit"), pasted);
    QCOMPARE(fixture.child<QSlider>("gmsSlider")->value(), 1000000);
    QCOMPARE(fixture.child<QDoubleSpinBox>("gmsEdit")->value(), kept);
}

void CouplingTest::unrepresentableValueLandsOnASliderEnd_data()
{
    QTest::addColumn<double>("gamma");
    QTest::addColumn<int>("position");
    addRow("nan", std::numeric_limits<double>::quiet_NaN(), 0);
    addRow("huge", 1e300, 20);
}

// The read-back passes whatever the camera library reports straight to the gamma coupling.
void CouplingTest::unrepresentableValueLandsOnASliderEnd()
{
    QFETCH(double, gamma);
    QFETCH(int, position);

    WindowFixture fixture;
    fixture.child<QSlider>("gammaSlider")->setValue(10);
    QVERIFY(QMetaObject::invokeMethod(&fixture.window(), "GammaUserValueChanged",
                                      Qt::DirectConnection, Q_ARG(double, gamma)));
    QCOMPARE(fixture.child<QSlider>("gammaSlider")->value(), position);
}

void CouplingTest::readButtonFollowsTheShownTabWhileConnected_data()
{
    QTest::addColumn<QString>("way");
    QTest::newRow("clicks on the tab bar") << "click";
    QTest::newRow("arrow keys on the tab bar") << "arrow";
    QTest::newRow("Ctrl+Tab and Ctrl+Shift+Tab") << "ctrl";
}

void CouplingTest::readButtonFollowsTheShownTabWhileConnected()
{
    QFETCH(QString, way);

    WindowFixture fixture;
    auto* tabs = fixture.child<QTabWidget>("tabWidget");
    QTabBar* bar = tabs->tabBar();
    auto* read = fixture.child<QPushButton>("readParamButtonUser");
    const auto showTab = [&](const char* pageName) {
        const int index = tabs->indexOf(fixture.child<QWidget>(pageName));
        if (way == QLatin1String("click"))
            QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
        for (int step = 0; step < tabs->count() && tabs->currentIndex() != index; ++step) {
            const bool forward = tabs->currentIndex() < index;
            if (way == QLatin1String("arrow"))
                QTest::keyClick(bar, forward ? Qt::Key_Right : Qt::Key_Left);
            else
                QTest::keyClick(bar, Qt::Key_Tab,
                                forward ? Qt::ControlModifier
                                        : Qt::ControlModifier | Qt::ShiftModifier);
        }
        QCOMPARE(tabs->currentIndex(), index);
    };

    fixture.connectCamera();
    showTab("ExpertMode");
    QVERIFY(!read->isEnabled());
    showTab("UserMode");
    QVERIFY(read->isEnabled());
    showTab("IAControl");
    QVERIFY(!read->isEnabled());

    fixture.click("disconnectDeviceButton");
    showTab("UserMode");
    QVERIFY(!read->isEnabled());
}

QTEST_MAIN(CouplingTest)
#include "tst_coupling.moc"
