#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "camerareports.h"
#include "numericsettings.h"
#include "sdkaccess.h"
#include "settingstable.h"

#include <limits>

void MainWindow::gskSendCommand()
{
    sendFinishedEdit(camera::Key::Gsk);
}

void MainWindow::gfiSendCommand()
{
    sendFinishedEdit(camera::Key::Gfid);
}

void MainWindow::gmsSendCommand()
{
    sendFinishedEdit(camera::Key::Gms);
}

void MainWindow::tintSendCommand()
{
    sendFinishedEdit(camera::Key::Tint);
}

void MainWindow::ApplyParamsExpert()
{
    orvex_sdk::IOrvexSdk* sdk = &sdkaccess::root();
    if (!device) {
        storeExpertValues(*sdk->getConfiguration());
        return;
    }

    bool withheld = false;
    for (const camera::BulkStep& step : camera::bulkRun(camera::Section::Expert)) {
        // The correction switches go as their buttons' clicks do, captions included.
        const bool accepted = step.setting.kind == camera::Kind::Switch
                                  ? runToggle(step.setting.id)
                                  : sendCount(step.setting.id, camera::Run::Bulk);
        withheld = withheld || (!accepted && step.setting.refusalWithholdsApplied);
    }

    if (withheld)
        showWarning(tr(camera::texts::expertNotTransmitted) + QLatin1Char('\n'));
    else
        sdk->notifyParametersApplied();
}

// Without a camera the values wait in the SDK's configuration, from which the next connect loads
// the expert controls.
void MainWindow::storeExpertValues(orvex_sdk::Configuration& configuration)
{
    configuration.gskValue = ui->gskSlider->value();
    configuration.gfidValue = ui->gfidSlider->value();
    configuration.tintValue = ui->tintSlider->value();
    const double gms = ui->gmsEdit->value();
    if (const auto stored = camera::truncatedToFit<std::int32_t>(gms)) {
        configuration.gmsValue = *stored;
        return;
    }
    using Limits = std::numeric_limits<std::int32_t>;
    logMessage(numeric::outOfRangeReport("GMS value", gms, "not stored: the configuration holds",
                                         Limits::min(), Limits::max()));
}

void MainWindow::setOxSerialNumber()
{
    sendFinishedEdit(camera::Key::SerialNumber);
}

void MainWindow::forceOxSerialNumber()
{
    if (!device)
        return;
    std::uint32_t serialNumber = 0;
    if (!countToSend(camera::Key::SerialNumber, serialNumber))
        return;
    constexpr bool forced = true;
    lastResult = camera::writeSerialNumber(*device, serialNumber, forced);
    logOutcome(lastResult, camera::serialNumberTexts(forced));
}
