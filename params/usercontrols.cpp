#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "controls.h"
#include "conversions.h"
#include "listentries.h"
#include "sdkaccess.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

// A region-of-interest bound is checked against the opposite bound of its axis, corrected to it
// when out of order, and then sent with the operation and texts of its row in the camera's table.
struct RoiBound {
    camera::Key key;
    QSpinBox* Ui_MainWindow::*box;
    const char* orderMessage;
};

using Ui = Ui_MainWindow;
using camera::Key;
const RoiBound roiBounds[] = {
    {Key::RoiX1, &Ui::x1RoiEdit,
     QT_TRANSLATE_NOOP("MainWindow", "ROI X1 must be lower than ROI X2")},
    {Key::RoiX2, &Ui::x2RoiEdit,
     QT_TRANSLATE_NOOP("MainWindow", "ROI X2 must be higher than ROI X1")},
    {Key::RoiY1, &Ui::y1RoiEdit,
     QT_TRANSLATE_NOOP("MainWindow", "ROI Y1 must be lower than ROI Y2")},
    {Key::RoiY2, &Ui::y2RoiEdit,
     QT_TRANSLATE_NOOP("MainWindow", "ROI Y2 must be higher than ROI Y1")},
};

const RoiBound& roiBound(Key key)
{
    const auto row = std::find_if(std::begin(roiBounds), std::end(roiBounds),
                                  [key](const RoiBound& bound) { return bound.key == key; });
    Q_ASSERT(row != std::end(roiBounds));
    return *row;
}

} // namespace

QSpinBox* Ui_MainWindow::*controls::roiBox(camera::Key bound)
{
    return roiBound(bound).box;
}

void MainWindow::gammaUserSendCommand()
{
    sendFinishedEdit(Key::Gamma);
}

void MainWindow::clheSendCommand()
{
    sendFinishedEdit(Key::Clhe);
}

void MainWindow::sharpeningSendCommand()
{
    sendFinishedEdit(Key::Sharpening);
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
    lastResult = sendSetting(camera::setting(Key::VideoOutput), *output, camera::Run::Edit);
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
    camera::Records records;
    camera::put(camera::setting(Key::ZoomFactor), records,
                double(static_cast<float>(ui->factorZoomEdit->value())));
    camera::put(camera::setting(Key::ZoomXCenter), records, ui->xCenterZoomEdit->value());
    camera::put(camera::setting(Key::ZoomYCenter), records, ui->yCenterZoomEdit->value());
    camera::put(camera::setting(Key::ZoomMethod), records, *method);
    const bool accepted = camera::sendRecord(camera::Record::Zoom, *device, records);
    logOutcome(accepted, camera::setting(Key::ZoomFactor).editTexts);
    return accepted;
}

bool MainWindow::sendContrastType()
{
    const auto type = entryToSend(ui->contrastTypeEdit, "Contrast type", "contrast algorithm");
    if (!type)
        return false;
    return sendSetting(camera::setting(Key::ContrastType), *type, camera::Run::Edit);
}

// One setting of the camera's table, in the camera's own value, reported with its table's texts.
bool MainWindow::sendSetting(const camera::Setting& setting, double cameraValue, camera::Run run)
{
    const bool accepted = camera::send(setting, *device, cameraValue);
    logOutcome(accepted, camera::textsOf(setting, run));
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
    checkAndSendRoiBound(Key::RoiX1);
}

void MainWindow::x2RoiUserValueChanged()
{
    checkAndSendRoiBound(Key::RoiX2);
}

void MainWindow::y1RoiUserValueChanged()
{
    checkAndSendRoiBound(Key::RoiY1);
}

void MainWindow::y2RoiUserValueChanged()
{
    checkAndSendRoiBound(Key::RoiY2);
}

void MainWindow::checkAndSendRoiBound(camera::Key bound)
{
    if (!editFinishedByOperator())
        return;
    const RoiBound& row = roiBound(bound);
    QSpinBox* edited = ui->*row.box;
    const int opposite = (ui->*roiBound(camera::oppositeRoiBound(bound)).box)->value();
    if (camera::roiOutOfOrder(bound, edited->value(), opposite)) {
        edited->setValue(opposite);
        showAboutBox(tr("ROI"), tr(row.orderMessage));
    }
    if (!device)
        return;
    lastResult = sendSetting(camera::setting(bound), edited->value(), camera::Run::Edit);
}

void MainWindow::ApplyParamsUser()
{
    if (!device)
        return;
    orvex_sdk::IOrvexSdk* sdk = &sdkaccess::root();
    for (const camera::BulkStep& step : camera::bulkRun(camera::Section::User)) {
        // A region-of-interest box runs an event loop of its own, in which the port monitor may
        // have found the camera gone and disconnected it. The bounds are still checked without a
        // camera, as their edits are; nothing else is.
        if (!device && !camera::isRoiBound(step.setting.id))
            return;
        sendUserSettingInBulk(step);
    }
    sdk->notifyParametersApplied();
}

// The bulk run sends each setting from its control as the control's own edit does, but reports
// in the bulk run's words and leaves the buttons' captions alone.
void MainWindow::sendUserSettingInBulk(const camera::BulkStep& step)
{
    const camera::Setting& setting = step.setting;
    if (step.record == camera::Record::Zoom) {
        sendZoom();
    } else if (setting.id == Key::ContrastType) {
        sendContrastType();
    } else if (camera::isRoiBound(setting.id)) {
        checkAndSendRoiBound(setting.id);
    } else if (setting.kind == camera::Kind::Switch) {
        const bool on = (ui->*controls::toggleButton(setting.id).button)->isChecked();
        logOutcome(camera::sendSwitch(setting, *device, on, camera::Run::Bulk), setting.bulkTexts);
    } else {
        sendCount(setting.id, camera::Run::Bulk);
    }
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

    orvex_sdk::Configuration* defaults = sdkaccess::root().getConfiguration();
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
