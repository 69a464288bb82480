#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "cameralink.h"
#include "camerareports.h"
#include "sdkaccess.h"

#include <QSignalBlocker>
#include <QTabBar>
#include <QTimer>

#include <cstring>

namespace {

constexpr int monitoringIntervalMs = 1000;

} // namespace

void MainWindow::connectDevice()
{
    orvex_sdk::Configuration* configuration = sdkaccess::root().getConfiguration();
    selectedPortName = ui->selectDeviceComboBox->currentText();
    if (!openAlternativeSerialPort(selectedPortName.toStdString()))
        return;

    if (device->getCameraType(cameraType.get()) != camera::statusSucceeded) {
        logMessage(camera::texts::noCameraType);
        disconnectDevice();
        return;
    }

    // The camera limits, the expert and IA tabs are brought into line even when the user
    // read-back failed: the device is open, only the connected state is withheld.
    if (ReadParamsUser()) {
        showSessionControls(true);
        monitoringTimer->start(monitoringIntervalMs);
    }

    applyCameraLimits();

    if (configuration->isExpertModeEnabled()) {
        ui->ExpertMode->setEnabled(true);
        ReadParamsExpert();
    }

    if (*cameraType == camera::cameraTypeWithDetector) {
        showIaControlTabLast();
        ReadParamsIA();
        ui->IAControl->setEnabled(true);
    } else {
        removeTabByTitle(tr("IA control"));
    }

    showShutterPresence();
}

// The shutter controls follow the camera just connected, whichever camera came before: a presence
// the camera cannot report counts as no shutter, and a status the tool does not know changes
// nothing.
void MainWindow::showShutterPresence()
{
    constexpr std::uint8_t unreadable = 0;
    constexpr std::uint8_t reported = 1;
    std::uint8_t shutterPresent = 0;
    const std::uint8_t presenceStatus = device->getShutterPresence(&shutterPresent);
    if (presenceStatus != unreadable && presenceStatus != reported)
        return;
    const bool hasShutter = presenceStatus == reported && shutterPresent != 0;
    ui->shutterCtrlPB->setEnabled(hasShutter);
    ui->autoNucPB->setEnabled(hasShutter);
}

void MainWindow::disconnectDevice()
{
    monitoringTimer->stop();
    releaseHeldConnection();
    showSessionControls(false);
}

bool MainWindow::openAlternativeSerialPort(std::string portName)
{
    if (!camera::offersSerialLink(sdkaccess::configuration())) {
        showAboutBox(tr("Invalid communication"), tr("Select an other serial port"));
        return false;
    }

    devicePortName = std::move(portName);
    logMessage("ALTERNATIVE SERIAL PORT : " + devicePortName);

    // A connect whose read-back failed leaves its device open and Connect enabled; without this a
    // second attempt would leak the first device and connection.
    releaseHeldConnection();
    device = camera::openDevice(devicePortName.c_str(), connection);
    if (!device) {
        showAboutBox(tr("Invalid communication"), tr("Select an other serial port"));
        return false;
    }
    return true;
}

void MainWindow::releaseHeldConnection()
{
    camera::releaseDevice(connection, device);
}

void MainWindow::showSessionControls(bool connected)
{
    ui->scanDeviceButton->setEnabled(!connected);
    ui->selectDeviceComboBox->setEnabled(!connected);
    ui->connectDeviceButton->setEnabled(!connected);
    ui->disconnectDeviceButton->setEnabled(connected);
    ui->resetParamButtonUser->setEnabled(connected);
    ui->readParamButtonUser->setEnabled(connected);
    ui->UserMode->setEnabled(connected);
    // The IA page is enabled by the connect sequence only for a camera that has the detector.
    if (!connected)
        ui->IAControl->setEnabled(false);
}

// The page may still be in the tab widget from an earlier connect: it is moved, never added twice.
// Like any tab the program moves, it is no tab the operator chose.
void MainWindow::showIaControlTabLast()
{
    QTabWidget* tabs = ui->tabWidget;
    const QSignalBlocker tabsMovedByTheProgram(tabs);
    const int present = tabs->indexOf(ui->IAControl);
    if (present < 0) {
        tabs->addTab(ui->IAControl, tr("IA control"));
        return;
    }
    const int last = tabs->count() - 1;
    tabs->tabBar()->moveTab(present, last);
    tabs->setTabText(last, tr("IA control"));
}

void MainWindow::applyCameraLimits()
{
    const orvex_sdk::Configuration& limits = sdkaccess::configuration();
    struct ExpertPair {
        QSlider* slider;
        QDoubleSpinBox* edit;
        int minimum;
        int maximum;
        int value;
        bool editTakesRange;
    };
    // gmsEdit keeps the range of the form, which reaches the camera's full unsigned GMS values.
    const ExpertPair pairs[] = {
        {ui->gskSlider, ui->gskEdit, limits.gskMin, limits.gskMax, limits.gskValue, true},
        {ui->gfidSlider, ui->gfidEdit, limits.gfidMin, limits.gfidMax, limits.gfidValue, true},
        {ui->gmsSlider, ui->gmsEdit, limits.gmsMin, limits.gmsMax, limits.gmsValue, false},
        {ui->tintSlider, ui->tintEdit, limits.tintMin, limits.tintMax, limits.tintValue, true},
    };
    for (const ExpertPair& pair : pairs) {
        pair.slider->setRange(pair.minimum, pair.maximum);
        pair.slider->setEnabled(true);
        pair.slider->setOrientation(Qt::Horizontal);
        pair.slider->setTickInterval(1);
        pair.slider->setSingleStep(1);
        pair.slider->setPageStep(10);
        pair.slider->setValue(pair.value);
        if (pair.editTakesRange)
            pair.edit->setRange(double(pair.minimum), double(pair.maximum));
        pair.edit->setValue(double(pair.value));
        pair.edit->setSingleStep(1.0);
    }
}
