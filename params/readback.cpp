#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "camerareports.h"
#include "controls.h"
#include "conversions.h"
#include "iacontrols.h"
#include "settingstable.h"

#include <QSignalBlocker>

using camera::Key;

namespace {

// The control's int for a whole number the camera gave, saturated as conversions::toControlInt.
int controlInt(double cameraValue)
{
    return conversions::toControlInt(std::uint32_t(cameraValue));
}

} // namespace

bool MainWindow::ReadParamsUser()
{
    const auto reportNoAnswer = [this] {
        showAboutBox(tr("Camera not connected"),
                     tr("Unable to connect to %1").arg(QString::fromStdString(devicePortName)));
    };
    if (!device) {
        reportNoAnswer();
        return false;
    }

    logMessage("Start Read camera parameters");
    orvex_sdk::FirmwareVersions versions{};
    device->getFirmwareVersions(&versions);
    if (versions.riscvVersion == 0 && versions.fpgaVersion == 0) {
        reportNoAnswer();
        logMessage("End Read camera parameters : COM Error");
        return false;
    }
    device->prepareParameterRead();
    logMessage("RISC-V version = " + camera::firmwareVersionText(versions.riscvVersion) +
               "\nFPGA version = " + camera::firmwareVersionText(versions.fpgaVersion));
    const camera::Setting& serialNumber = camera::setting(Key::SerialNumber);
    logMessage(camera::readBackLine(serialNumber, camera::read(serialNumber, *device)));

    {
        // A read must never write to the camera: the zoom and contrast-type handlers would send
        // a half-updated zoom record and the contrast type just read.
        const QSignalBlocker holdZoom(ui->methodZoomEdit);
        const QSignalBlocker holdContrast(ui->contrastTypeEdit);
        for (const camera::BulkStep& step : camera::bulkRun(camera::Section::User))
            showUserSetting(step);
    }

    // A camera that answers without writing the byte leaves this non-zero: read as closed.
    std::uint8_t shutterClosed = 0x37;
    lastResult = device->getShutterPosition(&shutterClosed);
    if (!lastResult) {
        logMessage("Unable to get shutter position");
    } else {
        showToggleState(ui->shutterCtrlPB, shutterClosed != 0, captions::shutter);
        logMessage(shutterClosed != 0 ? "Shutter closed" : "Shutter open");
    }

    logMessage("End Read camera parameters");
    return true;
}

// One setting of the User tab, or the zoom record, read from the camera into its control and
// logged; a slider follows as its spin box would.
void MainWindow::showUserSetting(const camera::BulkStep& step)
{
    const camera::Setting& setting = step.setting;
    if (step.record == camera::Record::Zoom) {
        camera::Records records;
        camera::readRecord(camera::Record::Zoom, *device, records);
        ui->factorZoomEdit->setValue(double(records.zoom.factor));
        ui->methodZoomEdit->setCurrentIndex(records.zoom.method);
        ui->xCenterZoomEdit->setValue(records.zoom.xCenter);
        ui->yCenterZoomEdit->setValue(records.zoom.yCenter);
        logMessage(camera::readBackLine(setting, camera::take(setting, records)));
        return;
    }
    const struct {
        Key key;
        void (MainWindow::*follow)(double);
    } pairs[] = {
        {Key::Gamma, &MainWindow::GammaUserValueChanged},
        {Key::Clhe, &MainWindow::ClheUserValueChanged},
        {Key::Sharpening, &MainWindow::SharpeningUserValueChanged},
    };
    const double value = camera::read(setting, *device);
    if (camera::isRoiBound(setting.id)) {
        (ui->*controls::roiBox(setting.id))->setValue(controlInt(value));
    } else if (setting.id == Key::ContrastType) {
        ui->contrastTypeEdit->setCurrentIndex(int(value));
    } else if (setting.kind == camera::Kind::Switch) {
        const controls::ToggleButton toggle = controls::toggleButton(setting.id);
        showToggleState(ui->*toggle.button, value != 0.0, toggle.captions);
    } else {
        for (const auto& pair : pairs) {
            if (pair.key == setting.id)
                (this->*pair.follow)(camera::fromCamera(setting, value));
        }
    }
    logMessage(camera::readBackLine(setting, value));
}

void MainWindow::ReadParamsExpert()
{
    if (!device)
        return;
    logMessage("Start Read camera Expert parameters");

    const struct {
        Key key;
        QSlider* slider;
        QDoubleSpinBox* edit;
    } constants[] = {
        {Key::Gsk, ui->gskSlider, ui->gskEdit},
        {Key::Gfid, ui->gfidSlider, ui->gfidEdit},
        {Key::Gms, ui->gmsSlider, ui->gmsEdit},
        {Key::Tint, ui->tintSlider, ui->tintEdit},
    };
    for (const auto& constant : constants) {
        const camera::Setting& setting = camera::setting(constant.key);
        const double value = camera::read(setting, *device);
        constant.slider->setValue(controlInt(value));
        constant.edit->setValue(value);
        logMessage(camera::readBackLine(setting, value));
    }

    for (const Key correction : {Key::BprCorrection, Key::OffsetCorrection, Key::GainCorrection}) {
        const camera::Setting& setting = camera::setting(correction);
        const double value = camera::read(setting, *device);
        const controls::ToggleButton toggle = controls::toggleButton(correction);
        showToggleState(ui->*toggle.button, value != 0.0, toggle.captions);
        logMessage(camera::readBackLine(setting, value));
    }

    logMessage("End Read camera Expert parameters");
}

void MainWindow::ReadParamsIA()
{
    if (!device)
        return;
    logMessage("Start read IA parameters");

    camera::Records records;
    if (camera::readRecord(camera::Record::Ia, *device, records)) {
        for (const ia::Control& control : ia::controls) {
            const camera::Setting& setting = camera::setting(control.key);
            const double value = camera::take(setting, records);
            if (control.list)
                (ui->*control.list)->setCurrentIndex(int(value));
            else
                (ui->*control.box)->setValue(int(value));
            logMessage(camera::readBackLine(setting, value));
        }
    } else {
        logMessage(camera::texts::iaUnreadable);
    }

    logMessage("End read IA parameters");
}
