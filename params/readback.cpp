#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "conversions.h"
#include "togglecaptions.h"

#include <QSignalBlocker>

#include <sstream>

using orvex_sdk::Device;

namespace {

template <class Value> std::string readBackLine(const char* label, const Value& value)
{
    std::ostringstream line;
    line << label << value;
    return line.str();
}

// Four 4-bit fields, most significant first: 0x12a3 reads 1.2.a.3.
std::string versionText(std::uint16_t version)
{
    std::ostringstream text;
    text << std::hex;
    for (int shift = 12; shift >= 0; shift -= 4) {
        text << ((version >> shift) & 0xFu);
        if (shift > 0)
            text << '.';
    }
    return text.str();
}

const char* activation(bool on)
{
    return on ? "Activated" : "Deactivated";
}

const char* enablement(bool on)
{
    return on ? "Enabled" : "Disabled";
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
    logMessage("RISC-V version = " + versionText(versions.riscvVersion) +
               "\nFPGA version = " + versionText(versions.fpgaVersion));
    logMessage(readBackLine("Serial number = ", device->getSerialNumber()));

    const double gamma = double(float(device->getGamma())) / 65536.0;
    GammaUserValueChanged(gamma);
    logMessage(readBackLine("Gamma value = ", gamma));

    const std::uint32_t clhe = device->getClhe();
    if (ui->clheSlider->value() != conversions::toControlInt(clhe))
        ui->clheSlider->setValue(conversions::toControlInt(clhe));
    // A plain integer to the camera, but reported like the other real numbers of the read.
    logMessage(readBackLine("CLHE value = ", double(clhe)));

    const double sharpening = double(float(device->getSharpening())) / 256.0;
    const int sharpeningPosition = conversions::roundSaturated(sharpening * 10.0, 0);
    if (ui->sharpeningSlider->value() != sharpeningPosition)
        ui->sharpeningSlider->setValue(sharpeningPosition);
    logMessage(readBackLine("Sharpening value = ", sharpening));

    struct RoiBound {
        std::uint32_t (Device::*read)();
        QSpinBox* edit;
        const char* label;
    };
    const RoiBound roiBounds[] = {
        {&Device::getRoiX1, ui->x1RoiEdit, "ROI X1 value = "},
        {&Device::getRoiY1, ui->y1RoiEdit, "ROI Y1 value = "},
        {&Device::getRoiX2, ui->x2RoiEdit, "ROI X2 value = "},
        {&Device::getRoiY2, ui->y2RoiEdit, "ROI Y2 value = "},
    };
    for (const RoiBound& bound : roiBounds) {
        const std::uint32_t value = (device->*bound.read)();
        bound.edit->setValue(conversions::toControlInt(value));
        logMessage(readBackLine(bound.label, value));
    }

    const bool polarity = device->getPolarity();
    showToggleState(ui->polarityButton, polarity, captions::polarity);
    logMessage(readBackLine("Polarity value = ", polarity ? 1 : 0));

    {
        // A read must never write to the camera: the zoom and contrast-type handlers would send
        // a half-updated zoom record and the contrast type just read.
        const QSignalBlocker holdZoom(ui->methodZoomEdit);
        const QSignalBlocker holdContrast(ui->contrastTypeEdit);

        orvex_sdk::ZoomSettings zoom{};
        device->getZoom(&zoom);
        ui->factorZoomEdit->setValue(double(zoom.factor));
        ui->methodZoomEdit->setCurrentIndex(zoom.method);
        ui->xCenterZoomEdit->setValue(zoom.xCenter);
        ui->yCenterZoomEdit->setValue(zoom.yCenter);
        logMessage(readBackLine("ZOOM factor value = ", zoom.factor));

        const std::uint8_t contrastType = device->getContrastType();
        ui->contrastTypeEdit->setCurrentIndex(contrastType);
        logMessage(std::string("Contrast type = ") +
                   (contrastType != 0 ? "CLAHE (LOCAL)" : "CLHE (ROI)"));
    }

    struct Switch {
        bool (Device::*read)();
        QPushButton* button;
        const ToggleCaptions& captions;
        const char* label;
    };
    const Switch switches[] = {
        {&Device::getNucEnabled, ui->nucEnablingButton, captions::nuc, "NUC state = "},
        {&Device::getHorizontalFlip, ui->horizontalFlipButton, captions::horizontalFlip,
         "Horizontal flip = "},
        {&Device::getVerticalFlip, ui->verticalFlipButton, captions::verticalFlip,
         "vertical flip = "},
        {&Device::getVignettingCorrection, ui->VignettingCorrectionButton,
         captions::vignettingCorrection, "Vignetting Correction state = "},
        {&Device::getColumnCorrection, ui->ColumnCorrectionButton, captions::columnCorrection,
         "Column Correction state = "},
    };
    for (const Switch& toggle : switches) {
        const bool on = (device->*toggle.read)();
        showToggleState(toggle.button, on, toggle.captions);
        logMessage(std::string(toggle.label) + activation(on));
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

void MainWindow::ReadParamsExpert()
{
    if (!device)
        return;
    logMessage("Start Read camera Expert parameters");

    struct Constant {
        std::uint32_t (Device::*read)();
        QSlider* slider;
        QDoubleSpinBox* edit;
        const char* label;
    };
    const Constant constants[] = {
        {&Device::getGsk, ui->gskSlider, ui->gskEdit, "GSK value = "},
        {&Device::getGfid, ui->gfidSlider, ui->gfidEdit, "GFID value = "},
        {&Device::getGms, ui->gmsSlider, ui->gmsEdit, "GMS value = "},
        {&Device::getTint, ui->tintSlider, ui->tintEdit, "TINT value = "},
    };
    for (const Constant& constant : constants) {
        const std::uint32_t value = (device->*constant.read)();
        constant.slider->setValue(conversions::toControlInt(value));
        constant.edit->setValue(double(value));
        logMessage(readBackLine(constant.label, value));
    }

    struct Correction {
        bool (Device::*read)();
        QPushButton* button;
        const ToggleCaptions& captions;
        const char* label;
    };
    const Correction corrections[] = {
        {&Device::getBprCorrection, ui->enableBprPB, captions::bprCorrection, "BPR state = "},
        {&Device::getOffsetCorrection, ui->enableOffsetPB, captions::offsetCorrection,
         "OFFSET state = "},
        {&Device::getGainCorrection, ui->enableGainPB, captions::gainCorrection, "GAIN state = "},
    };
    for (const Correction& correction : corrections) {
        const bool on = (device->*correction.read)();
        showToggleState(correction.button, on, correction.captions);
        logMessage(std::string(correction.label) + enablement(on));
    }

    logMessage("End Read camera Expert parameters");
}

void MainWindow::ReadParamsIA()
{
    if (!device)
        return;
    logMessage("Start read IA parameters");

    orvex_sdk::IaConfiguration configuration{};
    if (device->getIaConfiguration(&configuration) == 1) {
        // Each setting is either a list index or a spin-box value; exactly one control is set.
        struct Setting {
            std::uint8_t value;
            QComboBox* list;
            QSpinBox* edit;
            const char* label;
        };
        const Setting settings[] = {
            {configuration.resizeMode, ui->iAResizeModeComboBox, nullptr, "IA resize mode = "},
            {configuration.maxBoxes, nullptr, ui->nbBoxesSpinBox, "IA max boxes = "},
            {configuration.sensitivity, nullptr, ui->iASensitivitySpinBox, "IA sensitivity = "},
            {configuration.interOverUnion, nullptr, ui->interOverUnionSpinBox, "IA InterOU = "},
            {configuration.outputType, ui->iAOutputTypeComboBox, nullptr, "IA Output type = "},
        };
        for (const Setting& setting : settings) {
            if (setting.list)
                setting.list->setCurrentIndex(setting.value);
            else
                setting.edit->setValue(setting.value);
            // Widened, so the stream writes the byte as a number rather than a character.
            logMessage(readBackLine(setting.label, unsigned(setting.value)));
        }
    } else {
        logMessage("Unable to read IA configuration");
    }

    logMessage("End read IA parameters");
}
