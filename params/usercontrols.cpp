#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "conversions.h"
#include "listentries.h"
#include "numericsettings.h"
#include "togglecaptions.h"

#include <cmath>

using orvex_sdk::Device;

namespace {

enum RoiBoundId : int { X1, X2, Y1, Y2 };

// A region-of-interest bound is checked against the opposite bound of its axis, corrected to it
// when out of order, and then sent.
struct RoiBound {
    RoiBoundId id;
    QSpinBox* Ui_MainWindow::*edited;
    QSpinBox* Ui_MainWindow::*opposite;
    bool isLowerBound; // out of order above the opposite bound, else below it
    const char* orderMessage;
    bool (Device::*operation)(std::int32_t);
    const char* okText;
    const char* koText;
};

const RoiBound roiBounds[] = {
    {X1, &Ui_MainWindow::x1RoiEdit, &Ui_MainWindow::x2RoiEdit, true,
     QT_TRANSLATE_NOOP("MainWindow", "ROI X1 must be lower than ROI X2"), &Device::setRoiX1,
     "Set ROI X1 value OK", "Set ROI X1 value KO"},
    {X2, &Ui_MainWindow::x2RoiEdit, &Ui_MainWindow::x1RoiEdit, false,
     QT_TRANSLATE_NOOP("MainWindow", "ROI X2 must be higher than ROI X1"), &Device::setRoiX2,
     "Set ROI X2 value OK", "Set ROI X2 value KO"},
    {Y1, &Ui_MainWindow::y1RoiEdit, &Ui_MainWindow::y2RoiEdit, true,
     QT_TRANSLATE_NOOP("MainWindow", "ROI Y1 must be lower than ROI Y2"), &Device::setRoiY1,
     "Set ROI Y1 value OK", "Set ROI Y1 value KO"},
    {Y2, &Ui_MainWindow::y2RoiEdit, &Ui_MainWindow::y1RoiEdit, false,
     QT_TRANSLATE_NOOP("MainWindow", "ROI Y2 must be higher than ROI Y1"), &Device::setRoiY2,
     "Set ROI Y2 value OK", "Set ROI Y2 value KO"},
};

} // namespace

void MainWindow::gammaUserSendCommand()
{
    sendFinishedEdit(numeric::Gamma);
}

void MainWindow::clheSendCommand()
{
    sendFinishedEdit(numeric::Clhe);
}

void MainWindow::sharpeningSendCommand()
{
    sendFinishedEdit(numeric::Sharpening);
}

void MainWindow::zoomChanged()
{
    if (!device || !editFinishedByOperator())
        return;
    lastResult = sendZoom();
}

void MainWindow::videoOutputChanged()
{
    if (!device)
        return;
    const auto output = entryToSend(ui->VideoOutputCB, "Video output", "video output");
    if (!output) {
        lastResult = false;
        return;
    }
    lastResult = device->setVideoOutput(*output);
    logOutcome(lastResult, "Set VIDEO OUTPUT value OK", "Set VIDEO OUTPUT value KO");
}

void MainWindow::contrastTypeChanged()
{
    if (!device)
        return;
    lastResult = sendContrastType();
}

// The whole record goes, whichever of its four controls changed.
bool MainWindow::sendZoom()
{
    const auto method = entryToSend(ui->methodZoomEdit, "Zoom", "interpolation method");
    if (!method)
        return false;
    orvex_sdk::ZoomSettings zoom{};
    zoom.factor = static_cast<float>(ui->factorZoomEdit->value());
    zoom.xCenter = ui->xCenterZoomEdit->value();
    zoom.yCenter = ui->yCenterZoomEdit->value();
    zoom.method = *method;
    const bool accepted = device->setZoom(&zoom);
    logOutcome(accepted, "Configure Zoom OK", "Configure Zoom KO");
    return accepted;
}

bool MainWindow::sendContrastType()
{
    const auto type = entryToSend(ui->contrastTypeEdit, "Contrast type", "contrast algorithm");
    if (!type)
        return false;
    const bool accepted = device->setContrastType(*type);
    logOutcome(accepted, "Configure contrast type OK", "Configure contrast type KO");
    return accepted;
}

// A list shows no entry when the camera reported a value the list does not offer; the byte the
// camera would then get (255) is nobody's choice, so the setting is not sent and the log says why.
std::optional<std::uint8_t> MainWindow::entryToSend(const QComboBox* list, const char* setting,
                                                    const char* entryKind)
{
    const auto entry = lists::selectedEntry(list);
    if (!entry)
        logMessage(lists::notSelectedReport(setting, entryKind));
    return entry;
}

void MainWindow::x1RoiUserValueChanged()
{
    checkAndSendRoiBound(X1);
}

void MainWindow::x2RoiUserValueChanged()
{
    checkAndSendRoiBound(X2);
}

void MainWindow::y1RoiUserValueChanged()
{
    checkAndSendRoiBound(Y1);
}

void MainWindow::y2RoiUserValueChanged()
{
    checkAndSendRoiBound(Y2);
}

void MainWindow::checkAndSendRoiBound(int bound)
{
    if (!editFinishedByOperator())
        return;
    const RoiBound& row = roiBounds[bound];
    Q_ASSERT(row.id == bound);
    QSpinBox* edited = ui->*row.edited;
    const int opposite = (ui->*row.opposite)->value();
    const bool outOfOrder =
        row.isLowerBound ? edited->value() > opposite : edited->value() < opposite;
    if (outOfOrder) {
        edited->setValue(opposite);
        showAboutBox(tr("ROI"), tr(row.orderMessage));
    }
    if (!device)
        return;
    lastResult = (device->*row.operation)(edited->value());
    logOutcome(lastResult, row.okText, row.koText);
}

void MainWindow::ApplyParamsUser()
{
    if (!device)
        return;
    orvex_sdk::IOrvexSdk* sdk = orvex_sdk::OrvexSdk::get_instance();

    sendCount(numeric::Gamma);
    sendCount(numeric::Clhe);
    sendCount(numeric::SharpeningInBulk);
    x1RoiUserValueChanged();
    y1RoiUserValueChanged();
    x2RoiUserValueChanged();
    y2RoiUserValueChanged();
    // A region-of-interest box runs an event loop of its own, in which the port monitor may have
    // found the camera gone and disconnected it.
    if (!device)
        return;
    logOutcome(device->setPolarity(ui->polarityButton->isChecked()), "Set POLARITY value OK",
               "Set POLARITY value KO");
    sendZoom();
    sendContrastType();
    // Here NUC on is 1; the NUC toggle itself sends 2.
    logOutcome(device->setNucEnabled(ui->nucEnablingButton->isChecked() ? 1 : 0), "Enable NUC OK",
               "Enable NUC KO");
    logOutcome(device->setHorizontalFlip(ui->horizontalFlipButton->isChecked()),
               "Set IMAGE horizontal FLIP value OK", "Set IMAGE horizontal FLIP value KO");
    logOutcome(device->setVerticalFlip(ui->verticalFlipButton->isChecked()),
               "Set IMAGE vertical FLIP value OK", "Set IMAGE vertical FLIP value KO");
    logOutcome(device->setVignettingCorrection(ui->VignettingCorrectionButton->isChecked()),
               "Set vignetting correction value OK", "Set vignetting correction value KO");
    logOutcome(device->setColumnCorrection(ui->ColumnCorrectionButton->isChecked()),
               "Set column correction value OK", "Set column correction value KO");

    sdk->notifyParametersApplied();
}

void MainWindow::ResetParamsUser()
{
    if (!askYesNo(tr("Do you really want to reset settings?")))
        return;

    // The defaults come from a file that a person edits: a NaN or a huge number must land on a
    // control's limit, never pass through a plain conversion to int.
    const auto position = [](const QSlider* slider, double scaled) {
        return conversions::roundSaturated(scaled, slider->minimum());
    };
    const auto bound = [](const QSpinBox* box, double value) {
        return conversions::truncateSaturated(value, box->minimum());
    };

    orvex_sdk::Configuration* defaults = orvex_sdk::OrvexSdk::get_instance()->getConfiguration();
    ui->gammaSlider->setValue(
        position(ui->gammaSlider, (defaults->getDefaultGamma() - 0.5) * 10.0));
    ui->clheSlider->setValue(position(ui->clheSlider, defaults->getDefaultClhe()));
    ui->sharpeningSlider->setValue(
        position(ui->sharpeningSlider, defaults->getDefaultSharpening() * 10.0));
    ui->gfidSlider->setValue(defaults->getDefaultGfid());
    ui->gskSlider->setValue(defaults->getDefaultGsk());
    ui->tintSlider->setValue(defaults->getDefaultTint());
    ui->gmsSlider->setValue(defaults->getDefaultGms());
    ui->x1RoiEdit->setValue(bound(ui->x1RoiEdit, defaults->getDefaultRoiX1()));
    ui->y1RoiEdit->setValue(bound(ui->y1RoiEdit, defaults->getDefaultRoiY1()));
    ui->x2RoiEdit->setValue(bound(ui->x2RoiEdit, defaults->getDefaultRoiX2()));
    ui->y2RoiEdit->setValue(bound(ui->y2RoiEdit, defaults->getDefaultRoiY2()));
    showToggleState(ui->polarityButton, defaults->getDefaultPolarity(), captions::polarity);
    const double zoomFactor = defaults->getDefaultZoomFactor();
    ui->factorZoomEdit->setValue(std::isnan(zoomFactor) ? ui->factorZoomEdit->minimum()
                                                        : zoomFactor);
    ui->methodZoomEdit->setCurrentIndex(defaults->getDefaultZoomMethod());
    ui->xCenterZoomEdit->setValue(defaults->getDefaultZoomXCenter());
    ui->yCenterZoomEdit->setValue(defaults->getDefaultZoomYCenter());
    ui->contrastTypeEdit->setCurrentIndex(defaults->getDefaultContrastType());
    // Whatever the default, the list ends on the ROI-based algorithm.
    ui->contrastTypeEdit->setCurrentIndex(ui->contrastTypeEdit->findText(tr("CLHE (ROI)")));
    showToggleState(ui->horizontalFlipButton, defaults->getDefaultHorizontalFlip(),
                    captions::horizontalFlip);
    showToggleState(ui->verticalFlipButton, defaults->getDefaultVerticalFlip(),
                    captions::verticalFlip);
    showToggleState(ui->VignettingCorrectionButton, defaults->getDefaultVignettingCorrection(),
                    captions::vignettingCorrection);
    showToggleState(ui->ColumnCorrectionButton, defaults->getDefaultColumnCorrection(),
                    captions::columnCorrection);

    ApplyParamsUser();
}
