#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "conversions.h"
#include "numericsettings.h"
#include "togglecaptions.h"

#include <QMessageBox>
#include <QSignalBlocker>

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

orvex_sdk::ZoomSettings zoomFromControls(const Ui_MainWindow& ui)
{
    orvex_sdk::ZoomSettings zoom{};
    zoom.factor = static_cast<float>(ui.factorZoomEdit->value());
    zoom.xCenter = ui.xCenterZoomEdit->value();
    zoom.yCenter = ui.yCenterZoomEdit->value();
    zoom.method = static_cast<std::uint8_t>(ui.methodZoomEdit->currentIndex());
    return zoom;
}

std::uint8_t listIndex(const QComboBox* list)
{
    return static_cast<std::uint8_t>(list->currentIndex());
}

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
    if (!device)
        return;
    const orvex_sdk::ZoomSettings zoom = zoomFromControls(*ui);
    lastResult = device->setZoom(&zoom);
    logOutcome(lastResult, "Configure Zoom OK", "Configure Zoom KO");
}

void MainWindow::videoOutputChanged()
{
    if (!device)
        return;
    lastResult = device->setVideoOutput(listIndex(ui->VideoOutputCB));
    logOutcome(lastResult, "Set VIDEO OUTPUT value OK", "Set VIDEO OUTPUT value KO");
}

void MainWindow::contrastTypeChanged()
{
    if (!device)
        return;
    lastResult = device->setContrastType(listIndex(ui->contrastTypeEdit));
    logOutcome(lastResult, "Configure contrast type OK", "Configure contrast type KO");
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
    const RoiBound& row = roiBounds[bound];
    Q_ASSERT(row.id == bound);
    QSpinBox* edited = ui->*row.edited;
    const int opposite = (ui->*row.opposite)->value();
    const bool outOfOrder =
        row.isLowerBound ? edited->value() > opposite : edited->value() < opposite;
    if (outOfOrder) {
        edited->setValue(opposite);
        // The box takes the focus from the spin box, and losing it finishes the edit once more:
        // that must not check and send the bound a second time.
        const QSignalBlocker noSecondFinish(edited);
        QMessageBox::about(this, tr("ROI"), tr(row.orderMessage));
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
    const orvex_sdk::ZoomSettings zoom = zoomFromControls(*ui);
    logOutcome(device->setZoom(&zoom), "Configure Zoom OK", "Configure Zoom KO");
    logOutcome(device->setContrastType(listIndex(ui->contrastTypeEdit)),
               "Configure contrast type OK", "Configure contrast type KO");
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
    if (QMessageBox::question(nullptr, QString(), tr("Do you really want to reset settings?"),
                              QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::No) != QMessageBox::Yes)
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
